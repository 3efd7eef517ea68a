# Loading, refusing and releasing the engine. Each scenario runs in an interpreter of its
# own: the loaded engine and the binding are process-wide.
require 'minitest/autorun'
require_relative 'engine_support/scenario'

class TestEngineLifecycle < Minitest::Test
  include EngineSupport::Scenario

  REFUSED = 'Cannot initialize Cloud Workbench. The current version of the extension is not ' \
            'compatible with this version of Brikolan.'

  def test_first_load_initialises_and_second_only_binds
    lines = run_scenario('scripted', <<~RUBY)
      show 'bound', f.isModuleLoaded
      show 'first', f.LoadQPEDll(true, 2400, 24, 1)
      e = engine
      show 'calls', e.calls
      e.reset
      show 'second', f.LoadQPEDll(true, 2500, 25, 2)
      show 'calls', e.calls
      show 'bound', f.isModuleLoaded
      show 'initDLL', f.initDLL(7, 8, 9)
      show 'calls', e.calls.last
    RUBY
    assert_equal ['bound: false', *started('scripted'),
                  'cb RubyMessageBox["Extension Loaded"]', 'first: true',
                  'calls: [[1, [2400, 24, 1]], [46, [true]]]',
                  'second: true', 'calls: [[46, [true]]]', 'bound: true',
                  'initDLL: true', 'calls: [1, [7, 8, 9]]'], lines
  end

  def test_missing_library_is_reported_every_time_and_nothing_binds
    lines = run_scenario('missing', <<~RUBY)
      show 'first', f.LoadQPEDll(true, 2400, 24, 1)
      show 'bound', f.isModuleLoaded
      show 'second', f.LoadQPEDll(false, 2400, 24, 1)
      show 'size', f.getPointSize
      show 'bound', f.isModuleLoaded
    RUBY
    failure = ["cb RubyMessageBox[#{INCOMPATIBLE.inspect}]"]
    assert_equal [*path_lines('missing'), *failure, 'first: false', 'bound: false',
                  *path_lines('missing'), *failure, 'second: false',
                  'size: 0', 'bound: false'], lines
  end

  # The engine's own dependencies are looked for in its folder (which is neither the
  # interpreter's nor the current one, nor on the search path).
  def test_the_engine_finds_the_libraries_beside_it
    skip 'only the Windows loader takes search flags' unless EngineSupport::WINDOWS
    lines = run_scenario('dependent', "show 'load', f.LoadQPEDll(false, 2400, 24, 1)")
    assert_equal [*started('dependent'), 'load: true'], lines
  end

  # Narrow and wide lines alike: the text, then the platform's end of line (a text-mode
  # stream on Windows), nothing else.
  def test_console_lines_as_written
    out = run_scenario('scripted', "f.FreeQPEDll(true)\nf.LoadQPEDll(false, 2400, 24, 1)", raw: true)
    ending = EngineSupport::WINDOWS ? "\r\n" : "\n"
    assert_equal ['FreeQPEDll 1', *started('scripted')].map { |line| line + ending }.join, out.b
  end

  def test_refused_initialisation_unloads_and_a_later_load_tries_again
    lines = run_scenario('refusing', <<~RUBY)
      show 'first', f.LoadQPEDll(false, 2400, 24, 1)
      show 'bound', f.isModuleLoaded
      show 'loaded', engine_loaded?
      show 'second', f.LoadQPEDll(true, 1, 2, 3)
      show 'loaded', engine_loaded?
    RUBY
    assert_equal [*started('refusing'), 'scripted engine refuses [2400,24,1]',
                  "cb RubyMessageBox[#{REFUSED.inspect}]", 'first: false', 'bound: false',
                  'loaded: false',
                  *started('refusing'), 'cb RubyMessageBox["Extension Loaded"]',
                  'scripted engine refuses [1,2,3]', "cb RubyMessageBox[#{REFUSED.inspect}]",
                  'second: false', 'loaded: false'], lines
  end

  def test_a_script_raising_in_the_refusal_message_still_leaves_the_engine_unloaded
    lines = run_scenario('refusing', <<~RUBY)
      class Raising < EchoCallbacks
        def RubyMessageBox(text)
          raise(IOError, 'no window')
        end
      end
      f = facade(Raising.new)
      begin
        f.LoadQPEDll(false, 2400, 24, 1)
      rescue IOError => e
        show 'raised', e.message
      end
      show 'bound', f.isModuleLoaded
      show 'loaded', engine_loaded?
    RUBY
    assert_equal [*started('refusing'), 'scripted engine refuses [2400,24,1]',
                  'raised: "no window"', 'bound: false', 'loaded: false'], lines
  end

  # A script may give the facade another callback object while loading runs; later
  # messages go to the new one, and the old one may already be collected.
  def test_messages_go_to_the_callback_object_the_facade_holds_then
    lines = run_scenario('refusing', <<~'RUBY')
      class Switching < EchoCallbacks
        attr_accessor :facade
        def RubyMessageBox(text)
          puts "old box #{text.inspect}"
          facade.send(:initialize, EchoCallbacks.new)
          @facade = nil
        end
      end
      class EchoCallbacks
        def getModelMatrix
          3.times { GC.start(full_mark: true, immediate_sweep: true) }
        end
      end
      def make_facade
        f = facade
        f.send(:initialize, Switching.new.tap { |s| s.facade = f })
        f
      end
      f = make_facade
      f.TestLoadDll(false, ENGINE_PATH)
      engine.script(1, 82)
      show 'load', f.LoadQPEDll(true, 2400, 24, 1)
    RUBY
    assert_equal [*started('refusing'), 'old box "Extension Loaded"',
                  'scripted engine refuses [2400,24,1]', "cb RubyMessageBox[#{REFUSED.inspect}]",
                  'load: false'], lines
  end

  # A throw waits until loading has ended (the engine's callbacks run Ruby code
  # meanwhile), then reaches its catch.
  def test_a_throw_in_a_loading_message_reaches_its_catch_once_loaded
    lines = run_scenario('scripted', <<~'RUBY')
      class Throwing < EchoCallbacks
        def RubyMessageBox(text)
          throw(:stop, text)
        end
        def updateView
          catch(:inner) { throw :inner }
        end
      end
      f = facade(Throwing.new)
      f.TestLoadDll(false, ENGINE_PATH)
      engine.script(1, 83)
      show 'caught', catch(:stop) { f.LoadQPEDll(true, 2400, 24, 1) }
      show 'bound', f.isModuleLoaded
      show 'calls', engine.calls.map(&:first)
    RUBY
    assert_equal [*started('scripted'), 'caught: "Extension Loaded"',
                  'bound: true', 'calls: [1, 1, 46]'], lines
  end

  def test_library_without_entry_table_is_refused_and_never_binds
    lines = run_scenario('without_table', <<~RUBY)
      show 'load', f.LoadQPEDll(false, 2400, 24, 1)
      show 'loaded', engine_loaded?
      show 'test', f.TestLoadDll(false, ENGINE_PATH)
      show 'size', f.setPointSize(3)
      show 'bound', f.isModuleLoaded
      show 'loaded', engine_loaded?
    RUBY
    assert_equal [*started('without_table'), "cb RubyMessageBox[#{REFUSED.inspect}]",
                  'load: false', 'loaded: false', 'test: true', 'size: nil', 'bound: false',
                  'loaded: true'], lines
  end

  def test_test_load_leaves_the_library_for_a_later_binding
    lines = run_scenario('scripted', <<~RUBY)
      show 'test', f.TestLoadDll(true, ENGINE_PATH)
      show 'bound', f.isModuleLoaded
      show 'size', f.setPointSize(3)
      show 'bound', f.isModuleLoaded
      show 'calls', engine.calls
      show 'missing', f.TestLoadDll(true, STAGE + '/nothing.dll')
      show 'quiet', f.TestLoadDll(false, STAGE + '/nothing.dll')
      # The load itself was never done by LoadQPEDll: it still loads and initialises.
      show 'load', f.LoadQPEDll(false, 2400, 24, 1)
      show 'calls', engine.calls.last(2)
    RUBY
    assert_equal ['cb RubyMessageBox["Success load dll"]', 'test: true', 'bound: false',
                  'size: nil', 'bound: true', 'calls: [[6, [3]]]',
                  'cb RubyMessageBox["Cannot load dll"]', 'missing: false', 'quiet: false',
                  *started('scripted'), 'load: true',
                  'calls: [[1, [2400, 24, 1]], [46, [true]]]'], lines
  end

  # Paths are UTF-8 text: characters beyond U+FFFF travel as surrogate pairs and name the
  # file; bytes that are not UTF-8, or a zero byte that would cut the path, load nothing.
  def test_test_load_with_unusual_paths
    lines = run_scenario('scripted', <<~'RUBY')
      require 'tmpdir'
      require 'fileutils'
      dir = Dir.mktmpdir
      astral = File.join(dir, "engine-\u{1F600}.dll")
      FileUtils.cp(ENGINE_PATH, astral)
      show 'astral', f.TestLoadDll(false, astral)
      raw = dir.b + "/engine-\xFF.dll".b
      FileUtils.cp(ENGINE_PATH, raw)
      show 'not utf-8', f.TestLoadDll(true, raw)
      show 'surrogate', f.TestLoadDll(false, dir.b + "/\xED\xA0\xBD.dll".b)
      show 'cut short', f.TestLoadDll(false, ENGINE_PATH + "\0.txt")
      # Windows keeps a loaded library's file: that copy stays in the temporary folder.
      FileUtils.rm_rf(dir)
    RUBY
    assert_equal ['astral: true', 'cb RubyMessageBox["Cannot load dll"]', 'not utf-8: false',
                  'surrogate: false', 'cut short: false'], lines
  end

  def test_release_before_and_after_loading
    lines = run_scenario('scripted', <<~RUBY)
      show 'free', f.FreeQPEDll(true)
      f.LoadQPEDll(false, 2400, 24, 1)
      e = engine
      e.reset
      show 'free', f.FreeQPEDll(true)
      show 'calls', e.calls
      show 'bound', f.isModuleLoaded
      show 'loaded', engine_loaded?
      # Nobody is served now: the engine gets the neutral answers.
      show 'yes/no', e.fire(87, 'sure?')
      show 'planes', e.fire(92)
      e.fire(83)
      show 'free', f.FreeQPEDll(false)
      show 'size', f.getPointSize
      show 'bound', f.isModuleLoaded
      e.fire(83)
    RUBY
    assert_equal ['FreeQPEDll 1', 'free: nil', *started('scripted'),
                  'FreeQPEDll 1', 'cb callAnalytics_closeApplication["null"]', 'FreeQPEDll 1',
                  'FreeQPEDll erm 1', 'free', 'free: nil', 'calls: [[8, []]]', 'bound: false',
                  'loaded: true', 'yes/no: false', 'planes: []',
                  'FreeQPEDll 0', 'cb callAnalytics_closeApplication["null"]', 'FreeQPEDll 0',
                  'FreeQPEDll erm 0', 'free: nil', 'size: 0', 'bound: true', 'cb updateView[]'],
                 lines
  end

  # A script's exception during the engine's callbacks waits until loading or releasing
  # has come to its end, and is then raised by the facade method.
  def test_exceptions_during_load_and_release_callbacks_wait_for_the_end
    lines = run_scenario('scripted', <<~RUBY)
      class Raising < EchoCallbacks
        def updateView
          raise(IOError, 'view gone')
        end
      end
      f = facade(Raising.new)
      f.TestLoadDll(false, ENGINE_PATH)
      e = engine
      e.script(1, 83)
      e.script(8, 83)
      begin
        f.LoadQPEDll(false, 2400, 24, 1)
      rescue IOError => error
        show 'load raised', error.message
      end
      show 'bound', f.isModuleLoaded
      show 'calls', e.calls
      e.reset
      e.script(8, 83)
      begin
        f.FreeQPEDll(false)
      rescue IOError => error
        show 'free raised', error.message
      end
      show 'bound', f.isModuleLoaded
      show 'calls', e.calls
    RUBY
    assert_equal [*started('scripted'), 'load raised: "view gone"', 'bound: true',
                  'calls: [[1, [2400, 24, 1]], [1, :after_callback, 83, nil], [46, [true]]]',
                  'FreeQPEDll 0', 'cb callAnalytics_closeApplication["null"]', 'FreeQPEDll 0',
                  'FreeQPEDll erm 0', 'free raised: "view gone"', 'bound: false',
                  'calls: [[8, []], [8, :after_callback, 83, nil]]'], lines
  end
end
