# The scripts' JSON load request, through a real load of the scripted engine. Every
# scenario starts with the engine not loaded, so each runs in an interpreter of its own.
require 'minitest/autorun'
require_relative 'engine_support/scenario'

class TestEngineLoadRequest < Minitest::Test
  include EngineSupport::Scenario

  ANALYTICS_LOADED = 'cb callAnalytics_Initialization["1", 0, "", "", "", "", ""]'

  def test_integer_versions_then_a_second_request
    first = '{"bk_version_number":2400,"major_version":24,"minor_version":1,"files":["a.e57"]}'
    second = "{\"bk_version_number\":2500,\"major_version\":25,\"minor_version\":0,\"x\":\"\u00e9\"}"
    lines = run_scenario('scripted', <<~RUBY)
      show 'reply', f.LoadMultiPointCloud(#{first.dump})
      e = engine
      show 'calls', e.calls
      e.reset
      e.answer(17, "loaded \\u00e9")
      show 'reply', f.LoadMultiPointCloud(#{second.dump})
      show 'calls', e.calls
    RUBY
    assert_equal [*started('scripted'), ANALYTICS_LOADED, 'reply: ""',
                  "calls: #{[[1, [2400, 24, 1]], [46, [true]], [60, [24]], [17, [first]]].inspect}",
                  ANALYTICS_LOADED, "reply: #{"loaded \u00e9".b.inspect}",
                  "calls: #{[[46, [true]], [60, [25]], [17, [second]]].inspect}"], lines
  end

  def test_versions_at_the_ends_of_the_64_bit_range_pass_exactly
    lines = run_scenario('scripted', <<~'RUBY')
      f.LoadMultiPointCloud('{"bk_version_number":9223372036854775807,"major_version":-9223372036854775808,"minor_version":-9.2233720368547748e18}')
      show 'init', engine.calls_to(1)
    RUBY
    assert_equal [*started('scripted'), ANALYTICS_LOADED,
                  "init: [[#{2**63 - 1}, #{-2**63}, -9223372036854774784]]"], lines
  end

  def test_fractional_versions_are_cut_toward_zero
    lines = run_scenario('scripted', <<~'RUBY')
      f.LoadMultiPointCloud('{"bk_version_number":2400.0,"major_version":24.7,"minor_version":1.2}')
      e = engine
      show 'calls', e.calls.first(3)
      f.LoadMultiPointCloud('{"bk_version_number":-0.5,"major_version":-1.5,"minor_version":9}')
      show 'major', e.calls_to(60).last
    RUBY
    assert_equal [*started('scripted'), ANALYTICS_LOADED,
                  'calls: [[1, [2400, 24, 1]], [46, [true]], [60, [24]]]',
                  ANALYTICS_LOADED, 'major: [-1]'], lines
  end

  def test_without_engine_nothing_is_sent_and_the_reply_is_empty
    lines = run_scenario('missing', <<~'RUBY')
      show 'reply', f.LoadMultiPointCloud('{"bk_version_number":1,"major_version":2,"minor_version":3}')
    RUBY
    assert_equal [*path_lines('missing'), "cb RubyMessageBox[#{INCOMPATIBLE.inspect}]",
                  'cb callAnalytics_Initialization["0", 0, "", "", "", "", ""]', 'reply: ""'],
                 lines
  end

  # Malformed requests raise ArgumentError with the JSON library's own message, before
  # anything is loaded, printed or reported.
  def test_malformed_requests_raise_before_anything_is_loaded
    lines = run_scenario('scripted', <<~'RUBY')
      [
        '{"bk_version_number":2400,"major_version":24}',
        '{"bk_version_number":2400,"major_version":"24","minor_version":1}',
        '{"bk_version_number":true,"major_version":24,"minor_version":1}',
        '[2400, 24, 1]',
        '',
        '{"bk_version_number":',
        '{"bk_version_number":1e19,"major_version":24,"minor_version":1}',
        '{"bk_version_number":1,"major_version":9223372036854775808,"minor_version":1}',
      ].each do |request|
        f.LoadMultiPointCloud(request)
        show 'no error', request
      rescue ArgumentError => e
        show 'error', e.message
      end
      show 'loaded', engine_loaded?
    RUBY
    assert_equal [
      'error: "[json.exception.type_error.302] type must be number, but is null"',
      'error: "[json.exception.type_error.302] type must be number, but is string"',
      'error: "[json.exception.type_error.302] type must be number, but is boolean"',
      'error: "[json.exception.type_error.305] cannot use operator[] with a string argument ' \
      'with array"',
      'error: "[json.exception.parse_error.101] parse error at line 1, column 1: attempting ' \
      'to parse an empty input; check that your input string or stream contains the ' \
      'expected JSON"',
      'error: "[json.exception.parse_error.101] parse error at line 1, column 22: syntax ' \
      'error while parsing value - unexpected end of input; expected \'[\', \'{\', or a ' \
      'literal"',
      'error: "version number out of range: bk_version_number"',
      'error: "version number out of range: major_version"',
      'loaded: false'
    ], lines
  end
end
