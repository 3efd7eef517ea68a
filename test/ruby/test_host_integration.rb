# The host integration methods: the multi-file dialog, the device identifier and the memory walk.
require 'orvax_test_helper'
require 'tmpdir'

class TestHostIntegration < Minitest::Test
  def setup; @facade = OrvaxTest.facade; end

  # Argument errors come before any work (no dialog shown, no walk).
  def test_argument_errors_and_the_device_id
    [[nil, 'int'], [2**31, 'int'], [:a, 'void *'], ['text', 'void *'], [3, 'void *'], [Object.new, 'void *']].each do |value, type|
      name = type == 'int' ? :openFileDialogMulti : :proto
      assert_raises_message(TypeError, OrvaxTest.type_message(type, name, 2, value)) { @facade.public_send(name, value) }
    end
    ids = Array.new(2) { @facade.getDevice_ID }
    assert_equal [String, Encoding::ASCII_8BIT, ids.first], [ids.first.class, ids.first.encoding, ids.last]
  end

  # The chosen paths, frozen and binary; a cancelled dialog gives a frozen empty array.
  def test_dialog_through_a_stand_in_zenity
    skip 'the dialog is zenity on Linux only (Windows shows its own dialog)' if Gem.win_platform?
    saved = ENV['PATH']
    [["/scans/a.e57\n/scans/d\u00e9j\u00e0.las\n", 0, ['/scans/a.e57', "/scans/d\u00e9j\u00e0.las".b]],
     ["/scans/a.e57\n", 1, []]].each do |output, status, expected|
      Dir.mktmpdir do |dir|
        File.write("#{dir}/zenity", "#!/bin/sh\nprintf '%s' '#{output}'\nexit #{status}\n")
        File.chmod(0o755, "#{dir}/zenity")
        ENV['PATH'] = dir
        paths = @facade.openFileDialogMulti(-7)
        assert_equal [expected, true], [paths, paths.frozen?], output
      ensure
        ENV['PATH'] = saved
      end
    end
  end

  # Two lines per read-write region (the walk itself is unit-tested).
  def test_proto_walks_the_memory_for_no_pointer_and_for_a_wrapped_one
    # The sanitizer's shadow memory is terabytes of mapped memory: no walk ends over it.
    skip 'the walk would cover the sanitizer\'s shadow memory' if ENV.key?('ASAN_OPTIONS')
    walks = ruby_output(<<~'RUBY').split(/^nil\n/)
      $stdout.sync = true
      facade = ORVAX::MyNativeClass.new(Class.new(ORVAX::INativeToRuby).new)
      [nil, ORVAX::IntVector.new].each { |pointer| print facade.proto(pointer).inspect, "\n" }
    RUBY
    assert_equal 2, walks.size
    walks.each { |walk| assert_match(/\A(-{18}\n[0-9A-F]{16} [1-9][0-9]*\n)+\z/, walk) }
  end
end
