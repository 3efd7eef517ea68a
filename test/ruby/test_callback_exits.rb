# throw, break and Thread#kill out of engine callbacks: the engine finishes its slot, then the facade call exits.
require_relative 'engine_support/in_process'

class TestCallbackExits < Minitest::Test
  include EngineSupport::InProcess

  def on_view(&body)
    callbacks.define_singleton_method(:updateView, &body)
    engine.script(6, 83)
  end
  def finished_slot(arg); [[6, [arg]], [6, :after_callback, 83, nil]]; end
  def left_by_break
    on_view { yield }
    facade.setPointSize(2)
    :not_left
  end
  def while_handling_outer
    raise ArgumentError, 'outer'
  rescue ArgumentError => outer
    yield
    assert_same outer, $!
  end

  def test_throw_and_break_leave_after_the_engine_finished_its_slot
    on_view { throw :out, :thrown }
    while_handling_outer { assert_equal :thrown, catch(:out) { facade.setPointSize(1) } }
    assert_equal finished_slot(1), engine.calls
    engine.reset
    assert_equal :broken, left_by_break { break :broken }
    assert_equal finished_slot(2), engine.calls
  end

  def test_kill_kills_the_thread_sleeping_in_a_callback
    asleep = Queue.new
    ran_on = []
    on_view { asleep << true; sleep }
    # rubocop:disable Lint/RescueException
    thread = Thread.new { ran_on << (begin; facade.setPointSize(3); :after_call; rescue Exception => e; e.class; end) }
    # rubocop:enable Lint/RescueException
    asleep.pop
    thread.kill.join
    assert_equal [false, [], finished_slot(3)], [thread.status, ran_on, engine.calls]
  end

  # With no facade call in progress the exit is dropped; the next script exception is raised as usual.
  def test_exit_with_no_facade_call_is_dropped_with_one_line
    on_view { throw :out }
    out = nil
    while_handling_outer { out, = capture_subprocess_io { assert_nil(catch(:out) { engine.fire(83) }) } }
    assert_equal "engine callback updateView left by throw: dropped\n", out
    engine.reset
    callbacks.define_singleton_method(:RubyMessageBox) { |message| raise IOError, "no box for #{message}" }
    engine.script(6, 86, 'next')
    assert_equal 'no box for next', assert_raises(IOError) { facade.setPointSize(4) }.message
  end
end
