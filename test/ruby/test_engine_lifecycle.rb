# Loading, refusing and releasing the engine, and the binding; each scenario in an interpreter of its own.
require 'orvax_test_helper'
require_relative 'engine_support/scripted_engine'

class TestEngineLifecycle < Minitest::Test
  REFUSED = 'cb RubyMessageBox["Cannot initialize Cloud Workbench. The current version of the ' \
            'extension is not compatible with this version of Brikolan."]'.freeze
  INCOMPATIBLE = 'cb RubyMessageBox["The current version of the Point Cloud extension is not compatible with this ' \
                 'version of Brikolan\\n"]'.freeze
  ANALYTICS = 'cb callAnalytics_Initialization[%p, 0, "", "", "", "", ""]'.freeze
  # The JSON library's error for a null number. Its id is split after "json." so that no line reads like a call of
  # Hash#except (newer than Ruby 2.5) to a scan for such calls.
  NULL_NUMBER = 'error: [ArgumentError, "[json.' \
                'exception.type_error.302] type must be number, but is null"]'.freeze

  # The console lines of a first load: the directory and library path the system names, then (started) the engine's.
  def path_lines(stage_name)
    directory = EngineSupport.system_path(EngineSupport.stage(stage_name)) + (EngineSupport::WINDOWS ? '\\' : '/')
    [directory, directory + 'BrikolanHook.dll']
  end
  def started(stage_name); [*path_lines(stage_name), 'Start QPE']; end
  def freed(flag)
    ["FreeQPEDll #{flag}", 'cb callAnalytics_closeApplication["null"]', "FreeQPEDll #{flag}", "FreeQPEDll erm #{flag}"]
  end

  # Malformed requests raise before anything happens; versions travel to the 64-bit ends, fractions cut toward zero.
  # Every call writes the callbacks again (the engine may rewrite its table); which facade they serve: test_engine_in_process.
  def test_load_bind_and_release
    first = '{"bk_version_number":9223372036854775807,"major_version":-9223372036854775808,' \
            '"minor_version":-1.5,"files":["a.e57"]}'
    second = "{\"bk_version_number\":2500,\"major_version\":25.7,\"minor_version\":0,\"x\":\"\u00e9\"}"
    lines = run_scenario('scripted', <<~RUBY)
      ['{"bk_version_number":2400,"major_version":24}',
       '{"bk_version_number":1,"major_version":9223372036854775808,"minor_version":1}'].each do |request|
        show 'error', (f.LoadMultiPointCloud(request) rescue [$!.class, $!.message])
      end
      show 'before', [f.setPointSize(1), f.isModuleLoaded, engine_loaded?]
      show 'reply', f.LoadMultiPointCloud(#{first.dump})
      show 'calls', (e = engine).calls
      e.reset
      e.answer(17, "loaded \\u00e9")
      show 'reply', [f.LoadMultiPointCloud(#{second.dump}), e.calls]
      show 'second', [f.isModuleLoaded, f.initDLL(7, 8, 9), e.calls.last]
      e.clear_slot(86)
      show 'cleared', (e.fire(86, 'lost') rescue $!.message)
      (other = facade).getPointSize
      e.fire(86, 'to other')
      e.reset
      show 'free', f.FreeQPEDll(true)
      # Nobody is served now: the engine gets the neutral answers.
      show 'freed', [e.calls, f.isModuleLoaded, engine_loaded?, e.fire(87, 'sure?'), e.fire(92), e.fire(83)]
      show 'free', f.FreeQPEDll(false)
      show 'size', [f.getPointSize, f.isModuleLoaded]
      e.fire(83)
    RUBY
    assert_equal [NULL_NUMBER,
                  'error: [ArgumentError, "version number out of range: major_version"]', 'before: [nil, false, false]',
                  *started('scripted'), format(ANALYTICS, '1'), 'reply: ""',
                  "calls: #{[[1, [2**63 - 1, -2**63, -1]], [46, [true]], [60, [-2**63]], [17, [first]]].inspect}",
                  format(ANALYTICS, '1'), "reply: #{["loaded \u00e9".b, [[46, [true]], [60, [25]], [17, [second]]]].inspect}",
                  'second: [true, true, [1, [7, 8, 9]]]', 'cleared: "scripted engine: callback not installed"',
                  'cb RubyMessageBox["to other"]', *freed(1), 'free',
                  'free: nil', 'freed: [[[8, []]], false, true, false, [], nil]', *freed(0), 'free: nil', 'size: [0, true]',
                  'cb updateView[]'], lines
  end

  def test_missing_library_is_reported_every_time
    lines = run_scenario('missing', <<~'RUBY')
      show 'first', [f.LoadQPEDll(true, 2400, 24, 1), f.isModuleLoaded]
      show 'reply', f.LoadMultiPointCloud('{"bk_version_number":1,"major_version":2,"minor_version":3}')
    RUBY
    failure = [*path_lines('missing'), INCOMPATIBLE]
    assert_equal [*failure, 'first: [false, false]', *failure, format(ANALYTICS, '0'), 'reply: ""'], lines
  end

  # Its own dependencies are looked for in the engine's folder (not the interpreter's, the current one or the path).
  def test_the_engine_finds_the_libraries_beside_it
    skip 'only the Windows loader takes search flags' unless EngineSupport::WINDOWS
    lines = run_scenario('dependent', "show 'load', f.LoadQPEDll(false, 2400, 24, 1)")
    assert_equal [*started('dependent'), 'load: true'], lines
  end

  # The refused engine, bound during the load, is unloaded even when a script raises in the refusal
  # message; a later load tries again. Callbacks replaced while loading runs may already be collected.
  def test_refused_initialisation_unloads
    lines = run_scenario('refusing', <<~'RUBY')
      show 'first', f.LoadQPEDll(false, 2400, 24, 1)
      show 'after', [f.setPointSize(1), f.getPointSize, f.isModuleLoaded, engine_loaded?]
      r = facade(Class.new(EchoCallbacks) { def RubyMessageBox(_); raise(IOError, 'no window'); end }.new)
      show 'raised', (r.LoadQPEDll(false, 1, 2, 3) rescue $!.message)
      show 'after', [r.isModuleLoaded, engine_loaded?]
      show 'test', [f.TestLoadDll(false, ENGINE_PATH), f.setPointSize(3), f.isModuleLoaded, engine.calls]
      class Switching < EchoCallbacks
        attr_accessor :facade
        def RubyMessageBox(text); puts "old box #{text.inspect}"; facade.send(:initialize, EchoCallbacks.new); @facade = nil; end
      end
      EchoCallbacks.send(:define_method, :getModelMatrix) { 3.times { GC.start(full_mark: true, immediate_sweep: true) } }
      def make_facade; facade.tap { |s| s.send(:initialize, Switching.new.tap { |c| c.facade = s }) }; end
      s = make_facade
      engine.script(1, 82)
      show 'load', s.LoadQPEDll(true, 2400, 24, 1)
    RUBY
    refusal = ['scripted engine refuses [2400,24,1]', REFUSED]
    assert_equal [*started('refusing'), *refusal, 'first: false', 'after: [nil, 0, false, false]', *started('refusing'),
                  'scripted engine refuses [1,2,3]', 'raised: "no window"', 'after: [false, false]',
                  'test: [true, nil, true, [[6, [3]]]]', *started('refusing'), 'old box "Extension Loaded"', *refusal,
                  'load: false'], lines
  end

  # Exits in the engine's callbacks and messages wait until loading or releasing has ended, then leave the facade
  # method: the first one taken (here a throw), while one caught inside a callback stays there.
  def test_exits_during_load_and_release_wait_for_the_end
    lines = run_scenario('scripted', <<~'RUBY')
      x = facade(Class.new(EchoCallbacks) do
        def RubyMessageBox(text); throw(:stop, text); end
        def updateView; catch(:inner) { throw :inner }; raise(IOError, 'view gone'); end
      end.new)
      x.TestLoadDll(false, ENGINE_PATH)
      (e = engine).script(1, 83)
      show 'caught', catch(:stop) { x.LoadQPEDll(true, 2400, 24, 1) }
      show 'loaded', [x.isModuleLoaded, e.calls]
      e.reset
      e.script(8, 83)
      show 'free raised', (x.FreeQPEDll(false) rescue $!.message)
      show 'freed', [x.isModuleLoaded, e.calls]
    RUBY
    assert_equal [*started('scripted'), 'caught: "Extension Loaded"',
                  'loaded: [true, [[1, [2400, 24, 1]], [1, :after_callback, 83, nil], [46, [true]]]]', *freed(0),
                  'free raised: "view gone"', 'freed: [false, [[8, []], [8, :after_callback, 83, nil]]]'], lines
  end

  def test_library_without_entry_table_is_refused_and_never_binds
    lines = run_scenario('without_table', <<~RUBY)
      show 'load', [f.LoadQPEDll(false, 2400, 24, 1), engine_loaded?]
      show 'test', [f.TestLoadDll(false, ENGINE_PATH), f.setPointSize(3), f.isModuleLoaded, engine_loaded?]
    RUBY
    assert_equal [*started('without_table'), REFUSED, 'load: [false, false]', 'test: [true, nil, false, true]'], lines
  end

  # Paths are UTF-8: characters beyond U+FFFF name the file; a zero byte loads nothing (nor do bytes that are not UTF-8,
  # which the conversion's own tests refuse).
  def test_test_load_leaves_the_library_for_a_later_binding
    lines = run_scenario('scripted', <<~'RUBY')
      show 'test', [f.TestLoadDll(true, ENGINE_PATH), f.isModuleLoaded, f.setPointSize(3), f.isModuleLoaded, engine.calls]
      show 'missing', [f.TestLoadDll(true, STAGE + '/nothing.dll'), f.TestLoadDll(false, STAGE + '/nothing.dll')]
      # The load itself was never done by LoadQPEDll: it still loads and initialises.
      show 'load', [f.LoadQPEDll(false, 2400, 24, 1), engine.calls.last(2)]
      show 'paths', [f.TestLoadDll(false, engine_copy("engine-\u{1F600}.dll")), f.TestLoadDll(false, ENGINE_PATH + "\0.txt")]
    RUBY
    assert_equal ['cb RubyMessageBox["Success load dll"]', 'test: [true, false, nil, true, [[6, [3]]]]',
                  'cb RubyMessageBox["Cannot load dll"]', 'missing: [false, false]', *started('scripted'),
                  'load: [true, [[1, [2400, 24, 1]], [46, [true]]]]', 'paths: [true, false]'], lines
  end

  # Libraries of the engine's name loaded and unloaded behind the extension's back: each call reaches the one loaded.
  def test_a_library_unloaded_and_another_of_the_same_name_loaded_from_elsewhere
    lines = run_scenario('scripted', <<~'RUBY')
      def ask(path) # without keeping it loaded
        engine = EngineSupport::ScriptedEngine.attach(path)
        engine && (yield engine).tap { engine.close }
      end
      a, b = %w[a b].map { |name| engine_copy("#{name}/BrikolanHook.dll") }
      f.TestLoadDll(false, a)
      show 'a', [f.setPointSize(1), ask(a, &:calls)]
      EngineSupport::ScriptedEngine.unload(a)
      show 'none', [ask(a, &:calls), f.setPointSize(2), f.isModuleLoaded]
      loaded_elsewhere = Fiddle::Handle.new(b)
      show 'b', [f.setPointSize(3), f.isModuleLoaded, ask(b, &:calls)]
      ask(b) { |engine| engine.fire(86, 'from b') }
      loaded_elsewhere.close
    RUBY
    assert_equal ['a: [nil, [[6, [1]]]]', 'none: [nil, nil, false]', 'b: [nil, true, [[6, [3]]]]', 'cb RubyMessageBox["from b"]'],
                 lines
  end
end
