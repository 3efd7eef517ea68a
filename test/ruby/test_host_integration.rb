# The host integration methods through the facade: the multi-file dialog, the device
# identifier and the memory walk, with their argument errors.
require 'orvax_test_helper'
require 'rbconfig'
require 'tmpdir'

class TestHostIntegration < Minitest::Test
  include OrvaxTest::Assertions

  WINDOWS = RbConfig::CONFIG['host_os'] =~ /mswin|mingw/
  # The sanitizer's shadow memory is terabytes of mapped read-write memory: a walk over it
  # would not end in any useful time.
  SANITIZED = ENV.key?('ASAN_OPTIONS')

  def setup
    @facade = OrvaxTest.facade
  end

  def type_message(type, method, value)
    OrvaxTest.type_message(type, method, 2, value)
  end

  def test_argument_errors_come_before_any_work
    [['abc', 'int'], [nil, 'int'], [1.5, 'int'], [2**31, 'int'], [-2**31 - 1, 'int']].each do |value, type|
      assert_raises_message(TypeError, type_message(type, 'openFileDialogMulti', value)) do
        @facade.openFileDialogMulti(value)
      end
    end
    [:a, 'text', 3, 1.5, Object.new].each do |value|
      assert_raises_message(TypeError, type_message('void *', 'proto', value)) { @facade.proto(value) }
    end
    { openFileDialogMulti: [0, 1], proto: [0, 1], getDevice_ID: [1, 0] }.each do |name, (given, expected)|
      assert_raises_message(ArgumentError, "wrong # of arguments(#{given} for #{expected})") do
        @facade.public_send(name, *Array.new(given, nil))
      end
    end
  end

  def test_device_id_is_a_string_every_time
    ids = Array.new(2) { @facade.getDevice_ID }
    assert_kind_of String, ids.first
    assert_equal ids.first, ids.last
    assert_equal Encoding::ASCII_8BIT, ids.first.encoding
  end

  # A stand-in zenity on PATH that prints `output` and exits with `status`.
  def with_zenity(output, status)
    skip 'the dialog is zenity on Linux only (Windows shows its own dialog)' if WINDOWS
    Dir.mktmpdir do |dir|
      File.write("#{dir}/zenity", "#!/bin/sh\nprintf '%s' '#{output}'\nexit #{status}\n")
      File.chmod(0o755, "#{dir}/zenity")
      saved = ENV['PATH']
      begin
        ENV['PATH'] = dir
        yield
      ensure
        ENV['PATH'] = saved
      end
    end
  end

  def test_dialog_returns_the_chosen_paths_frozen
    with_zenity("/scans/a.e57\n/scans/d\u00e9j\u00e0.las\n", 0) do
      [0, -7, 2**31 - 1].each do |value|
        paths = @facade.openFileDialogMulti(value)
        assert_equal ['/scans/a.e57', "/scans/d\u00e9j\u00e0.las".b], paths
        assert paths.frozen?
      end
    end
  end

  def test_cancelled_failed_or_missing_dialog_gives_a_frozen_empty_array
    [1, 5].each do |status|
      with_zenity("/scans/a.e57\n", status) do
        paths = @facade.openFileDialogMulti(1)
        assert_equal [], paths
        assert paths.frozen?
      end
    end
    with_zenity('', 0) do
      File.delete(File.join(ENV['PATH'], 'zenity'))
      assert_equal [], @facade.openFileDialogMulti(1)
    end
  end

  def test_proto_prints_two_lines_per_read_write_region
    skip 'the walk would cover the sanitizer\'s shadow memory' if SANITIZED
    out, err, status = OrvaxTest.run_ruby(<<~RUBY)
      $stdout.sync = true
      $LOAD_PATH.unshift(ENV['ORVAX_LIB'])
      require 'ORVAX'
      facade = ORVAX::MyNativeClass.new(Class.new(ORVAX::INativeToRuby).new)
      print facade.proto(nil).inspect, "\\n"
      print facade.proto(ORVAX::IntVector.new).inspect, "\\n"
    RUBY
    assert status.success?, err
    walks = out.split(/^nil\n/)
    assert_equal 2, walks.size
    walks.each do |walk|
      lines = walk.lines.map(&:chomp)
      refute_empty lines
      lines.each_slice(2) do |separator, region|
        assert_equal '-' * 18, separator
        assert_match(/\A[0-9A-F]{16} [1-9][0-9]*\z/, region)
      end
    end
  end
end
