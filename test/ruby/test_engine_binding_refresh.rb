# Every engine-using call sees the libraries loaded and unloaded since the previous call,
# whoever changed them and however. Each scenario runs in an interpreter of its own.
require 'minitest/autorun'
require_relative 'engine_support/scenario'

class TestEngineBindingRefresh < Minitest::Test
  include EngineSupport::Scenario

  # A call before loading finds nothing; the first call after a load binds, whichever
  # way the library came.
  def test_a_load_by_either_facade_method_is_seen_by_the_next_call
    [['LoadQPEDll', 'f.LoadQPEDll(false, 2400, 24, 1)'],
     ['TestLoadDll', 'f.TestLoadDll(false, ENGINE_PATH)']].each do |label, load|
      lines = run_scenario('scripted', <<~RUBY)
        show 'before', [f.setPointSize(1), f.isModuleLoaded]
        #{load}
        engine.reset
        show 'after', [f.setPointSize(2), f.isModuleLoaded, engine.calls]
      RUBY
      assert_equal ['before: [nil, false]', 'after: [nil, true, [[6, [2]]]]'],
                   lines.grep(/^(before|after):/), label
    end
  end

  # The refused engine was bound during the load and is gone afterwards: later calls
  # must not reach it, and a later load of the same file is bound again.
  def test_a_refused_engine_unloaded_is_never_called_again
    lines = run_scenario('refusing', <<~RUBY)
      show 'load', f.LoadQPEDll(false, 2400, 24, 1)
      show 'after', [f.setPointSize(1), f.getPointSize, f.isModuleLoaded, engine_loaded?]
      show 'test', f.TestLoadDll(false, ENGINE_PATH)
      show 'again', [f.setPointSize(3), f.isModuleLoaded, engine.calls]
    RUBY
    assert_equal ['load: false', 'after: [nil, 0, false, false]', 'test: true',
                  'again: [nil, true, [[6, [3]]]]'], lines.grep(/^(load|after|test|again):/)
  end

  # Libraries of the engine's name from two places, loaded and unloaded behind the
  # extension's back: each call reaches the one loaded then, or none.
  def test_a_library_unloaded_and_another_of_the_same_name_loaded_from_elsewhere
    lines = run_scenario('scripted', <<~'RUBY')
      require 'tmpdir'
      require 'fileutils'
      # Asks the engine at `path` without keeping it loaded.
      def ask(path)
        engine = EngineSupport::ScriptedEngine.attach(path)
        engine && (yield engine).tap { engine.close }
      end
      # Windows keeps a loaded library's file: the copies stay in the temporary folder.
      dir = Dir.mktmpdir
      a, b = %w[a b].map do |name|
        FileUtils.mkdir_p(File.join(dir, name))
        File.join(dir, name, 'BrikolanHook.dll').tap { |path| FileUtils.cp(ENGINE_PATH, path) }
      end
      f.TestLoadDll(false, a)
      show 'a', [f.setPointSize(1), ask(a, &:calls)]
      EngineSupport::ScriptedEngine.unload(a)
      show 'none', [ask(a, &:calls), f.setPointSize(2), f.isModuleLoaded]
      loaded_elsewhere = Fiddle::Handle.new(b)
      show 'b', [f.setPointSize(3), f.isModuleLoaded, ask(b, &:calls)]
      ask(b) { |engine| engine.fire(86, 'from b') }
      loaded_elsewhere.close
      show 'none', [ask(b, &:calls), f.setPointSize(4), f.isModuleLoaded]
      f.TestLoadDll(false, a)
      show 'a again', [f.setPointSize(5), ask(a, &:calls)]
    RUBY
    assert_equal ['a: [nil, [[6, [1]]]]', 'none: [nil, nil, false]',
                  'b: [nil, true, [[6, [3]]]]', 'cb RubyMessageBox["from b"]',
                  'none: [nil, nil, false]', 'a again: [nil, [[6, [5]]]]'], lines
  end

  # The engine's table may be rewritten while the library stays loaded: every call
  # writes the callbacks again, and serves the facade that made it.
  def test_callbacks_are_written_and_the_facade_recorded_on_every_call
    lines = run_scenario('scripted', <<~RUBY)
      f.LoadQPEDll(false, 2400, 24, 1)
      e = engine
      e.clear_slot(86)
      begin
        e.fire(86, 'lost')
      rescue RuntimeError => error
        show 'cleared', error.message
      end
      other = facade
      other.getPointSize
      e.fire(86, 'to other')
      f.getPointSize
      e.fire(86, 'to f')
    RUBY
    assert_equal ['cleared: "scripted engine: callback not installed"',
                  'cb RubyMessageBox["to other"]', 'cb RubyMessageBox["to f"]'], lines.last(3)
  end
end
