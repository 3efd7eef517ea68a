# The scripts' JSON load request, through a real load of the scripted engine. (Reading
# the versions and the parser's messages are unit-tested.)
require 'minitest/autorun'
require_relative 'engine_support/scenario'

class TestEngineLoadRequest < Minitest::Test
  include EngineSupport::Scenario

  ANALYTICS = 'cb callAnalytics_Initialization[%p, 0, "", "", "", "", ""]'.freeze

  # Malformed requests raise before anything is loaded, printed or reported; versions
  # travel exactly to the ends of the 64-bit range, fractions cut toward zero.
  def test_requests_of_a_load_and_then_a_bind
    first = '{"bk_version_number":9223372036854775807,"major_version":-9223372036854775808,' \
            '"minor_version":-1.5,"files":["a.e57"]}'
    second = "{\"bk_version_number\":2500,\"major_version\":25.7,\"minor_version\":0,\"x\":\"\u00e9\"}"
    lines = run_scenario('scripted', <<~RUBY)
      ['{"bk_version_number":2400,"major_version":24}',
       '{"bk_version_number":1,"major_version":9223372036854775808,"minor_version":1}'].each do |request|
        show 'error', (f.LoadMultiPointCloud(request) rescue [$!.class, $!.message])
      end
      show 'loaded', engine_loaded?
      show 'reply', f.LoadMultiPointCloud(#{first.dump})
      e = engine
      show 'calls', e.calls
      e.reset
      e.answer(17, "loaded \\u00e9")
      show 'reply', f.LoadMultiPointCloud(#{second.dump})
      show 'calls', e.calls
    RUBY
    assert_equal ['error: [ArgumentError, "[json.exception.type_error.302] type must be number, but is null"]',
                  'error: [ArgumentError, "version number out of range: major_version"]', 'loaded: false',
                  *started('scripted'), format(ANALYTICS, '1'), 'reply: ""',
                  "calls: #{[[1, [2**63 - 1, -2**63, -1]], [46, [true]], [60, [-2**63]], [17, [first]]].inspect}",
                  format(ANALYTICS, '1'), "reply: #{"loaded \u00e9".b.inspect}",
                  "calls: #{[[46, [true]], [60, [25]], [17, [second]]].inspect}"], lines
  end

  def test_without_engine_nothing_is_sent_and_the_reply_is_empty
    lines = run_scenario('missing', <<~'RUBY')
      show 'reply', f.LoadMultiPointCloud('{"bk_version_number":1,"major_version":2,"minor_version":3}')
    RUBY
    assert_equal [*path_lines('missing'), "cb RubyMessageBox[#{INCOMPATIBLE.inspect}]", format(ANALYTICS, '0'),
                  'reply: ""'], lines
  end
end
