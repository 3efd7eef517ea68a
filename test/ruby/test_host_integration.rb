# The host integration methods: the multi-file dialog, the device identifier and the memory walk. Their argument
# errors, which come before any work, are with the other conversions.
require 'orvax_test_helper'
require 'tmpdir'

class TestHostIntegration < Minitest::Test
  def setup; @facade = OrvaxTest.facade; end

  def test_the_device_id_is_the_same_binary_text_each_time
    ids = Array.new(2) { @facade.getDevice_ID }
    assert_equal [String, Encoding::ASCII_8BIT, ids.first], [ids.first.class, ids.first.encoding, ids.last]
  end

  # The chosen paths, frozen and binary; a cancelled dialog gives a frozen empty array.
  def test_dialog_through_a_stand_in_zenity
    saved = ENV['PATH']
    skip 'the dialog is zenity on Linux only (Windows shows its own dialog)' if Gem.win_platform?
    Dir.mktmpdir do |dir|
      ENV['PATH'] = dir
      [["/scans/a.e57\n/scans/d\u00e9j\u00e0.las\n", 0, ['/scans/a.e57', "/scans/d\u00e9j\u00e0.las".b]],
       ["/scans/a.e57\n", 1, []]].each do |output, status, expected|
        File.write("#{dir}/zenity", "#!/bin/sh\nprintf '%s' '#{output}'\nexit #{status}\n")
        File.chmod(0o755, "#{dir}/zenity")
        paths = @facade.openFileDialogMulti(-7)
        assert_equal [expected, true], [paths, paths.frozen?], output
      end
    end
  ensure
    ENV['PATH'] = saved
  end

  # Two lines per read-write region (the walk itself is unit-tested).
  def test_proto_walks_the_memory_for_no_pointer_and_for_a_wrapped_one
    skip 'the walk would cover the sanitizer\'s shadow memory (terabytes mapped)' if ENV.key?('ASAN_OPTIONS')
    region = '(-{18}\n[0-9A-F]{16} [1-9][0-9]*\n)+'
    assert_match(/\A#{region}nil\n#{region}nil\n\z/, ruby_output(<<~'RUBY'))
      $stdout.sync = true
      facade = ORVAX::MyNativeClass.new(Class.new(ORVAX::INativeToRuby).new)
      [nil, ORVAX::IntVector.new].each { |pointer| print facade.proto(pointer).inspect, "\n" }
    RUBY
  end
end
