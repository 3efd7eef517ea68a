# The scripted engine bound in this process: every forwarding facade method reaching its slot, the engine's callback
# slots reaching the scripts' methods, the facade they serve, and a script's exceptions and other exits (throw, break,
# Thread#kill): the engine finishes its slot, then the facade call raises or exits.
require_relative 'engine_support/scripted_engine'
ENV['ORVAX_LIB'] = File.join(EngineSupport.stage('scripted'), 'lib') # the extension copy staged beside the engine
require 'orvax_test_helper'

class TestEngineInProcess < Minitest::Test
  include OrvaxTest::GcStress

  OrvaxTest.facade.LoadQPEDll(false, 2400, 24, 1) || raise('the scripted engine did not load')
  ENGINE = EngineSupport::ScriptedEngine.attach(EngineSupport.engine_path('scripted')) # stays loaded
  attr_reader :engine, :callbacks, :facade

  # A fresh engine log and answers, and a facade bound to the engine with its own recording callbacks.
  def setup
    super
    (@engine = ENGINE).reset
    @facade = OrvaxTest.facade(@callbacks = OrvaxTest::RecordingCallbacks.new)
    @facade.getNumberofEntity # now the one the engine's callbacks serve
    @engine.forget_calls
  end
  def teardown
    @engine.reset
    super
  end

  def test_each_forwarding_method_calls_its_slot_and_converts_both_ways
    failures = OrvaxTest::FACADE.select(&:slot).reject do |m|
      engine.reset
      engine.answer(m.slot, m.answer) unless m.answer.nil?
      result = facade.public_send(m.name, *m.args)
      engine.calls == [[m.slot, m.sent]] && m.result.inspect == result.inspect && (!result.is_a?(Array) || result.frozen?)
    end
    assert_empty failures.map(&:name)
    engine.reset
    answers = [[], ['x']].map { |names| engine.answer(40, names); facade.isAnyPointCloudLoaded }
    assert_equal [[false, true], [[40, []]] * 2], [answers, engine.calls]
  end

  def test_failed_orientation_tells_the_facades_own_callbacks_once
    other = OrvaxTest::RecordingCallbacks.new
    OrvaxTest.facade(other).getNumberofEntity # the callbacks now serve the other one
    results = [[{ status: -2, values: [0.5] }, false], [{ status: 1 }, true]].map { |a, on| engine.answer(28, a); facade.autoOrientate(on) }
    assert_equal [[[0.5], []], [[:RubyMessageBox, 'manager.transformation.orientation.failure']] * 2, []],
                 [results, callbacks.calls, other.calls]
  end

  def test_camera_block_is_sent_by_the_z_axis_only
    [[:setEye, 1, 2, 3], [:setXAxis, 1, 0, 0], [:setYAxis, 0, 1, 0]].each { |name, *args| facade.public_send(name, *args) }
    assert_empty engine.calls
    [[:setZAxis, 0, 0, 1], [:setXAxis, 0, 0, 7], [:setZAxis, 0, 0, 1]].each { |name, *args| facade.public_send(name, *args) }
    blocks = engine.calls.select { |slot, *| slot == 14 }.map { |_, args| args[0] }
    eye = [-1.0, -2.0, -3.0, 1.0]
    assert_equal [[1.0, 0.0, -0.0, 0.0, 0.0, 1.0, -0.0, 0.0, 0.0, 0.0, -1.0, 0.0, *eye],
                  [0.0, 0.0, -0.0, 0.0, 0.0, 1.0, -0.0, 0.0, 7.0, 0.0, -1.0, 0.0, *eye]], blocks
  end

  # Station names come as a string map, clipping boxes as owned copies.
  def test_containers_the_engine_fills
    engine.answer(36, { 'b' => '2', 'a' => "\u00e9" })
    map = facade.getQPEStationNames
    assert_equal [ORVAX::StringStringMap, [36, []], 2, '2', "\u00e9".b],
                 [map.class, engine.calls.last, map.size, map['b'], map['a'].b]
    engine.answer(37, [{ bounds: [0, 1, 2, 3, 4, 5], sum: 6.5, enabled: true, visible: false },
                       { bounds: [9] * 6, visible: true, planes: [[1, 2, 3, 4, 5, 6, true]] }])
    first, second = boxes = facade.getClippingBoxVector
    assert_equal [true, [ORVAX::ClippingBox] * 2, [0.0, 1.0, 2.0, 3.0, 4.0, 5.0], 6.5, true, false, true, 1],
                 [boxes.frozen?, boxes.map(&:class), first.sxXyYzZ.to_a, first.mSumBBMinnMax,
                  first.mClippingBoxEnabled, first.get_Visible, second.mClippingBoxVisible, second.sSectionVector.size]
    first.mSumBBMinnMax = 1.0 # a copy: the engine's box does not change
    assert_equal 6.5, facade.getClippingBoxVector.first.mSumBBMinnMax
  end

  class Raising < OrvaxTest::RecordingCallbacks
    def RubyMessageBox(message); raise IOError, "no box for #{message}"; end
    %i[RubyYesNoBox getSectionPlanes].each { |name| define_method(name) { |*| raise IOError, name.to_s } }
    def updateView; throw :out; end
  end

  # Slot 85 (updateHtml) also updates the view; 96's 16-bit units are encoded one by one (surrogates not combined).
  def test_every_callback_slot_reaches_its_method_with_converted_arguments
    callbacks.section_planes = [1, 2.5]
    results = [[82], [83], [84], [85], [86, "text\u0000with zero"], [87, 'sure?'], [88, [1, -2.5], 'scene'],
               [89, 'e57'], [90, 'cloud', true], [91, 'oops'], [92], [93], [94], [95],
               [96, [0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00, 0xDC00, 0]]].map { |slot, *args| engine.fire(slot, *args) }
    assert_equal [nil] * 5 + [true, nil, nil, nil, nil, [1.0, 2.5], nil, nil, nil, nil], results
    observed = "A\u00e9\u20ac".b + [0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80, 0xED, 0xB0, 0x80, 0x00].pack('C*')
    assert_equal [[:getModelMatrix], [:updateView], [:forceUpdateView], [:updateHtml], [:updateView],
                  [:RubyMessageBox, "text\u0000with zero".b], [:RubyYesNoBox, 'sure?'],
                  [:RubyAddScene, [1.0, -2.5], 'scene'], [:callAnalytics_pointCloudLoaded, 'e57'],
                  [:point_cloud_loaded, 'cloud', true], [:callAnalytics_errorMessageEngagement, 'oops'],
                  [:getSectionPlanes], [:initializeSettings], [:createClippingBox], [:removeClippingBox],
                  [:updateSceneObserver, observed]], callbacks.calls
    answers = [0, -1, 7].map { |answer| callbacks.yes_no_answer = answer; engine.fire(87, 'q') }
    assert_equal [false, true, true], answers, 'any non-zero integer is yes'
  end

  # Callbacks serve the facade of the latest binding call, even one made by a callback.
  def test_callbacks_go_to_the_facade_of_the_latest_binding_call
    second_facade = OrvaxTest.facade(second = OrvaxTest::RecordingCallbacks.new)
    facade.setPointSize(1)
    second_facade.setPointSize(2)
    engine.fire(83)
    # Methods that do not refresh the binding leave the callbacks where they are.
    [[:ProcessCloud, [1], 'x'], [:ComputeCellNb, 1], [:setZAxis, 0, 0, 1]].each { |name, *args| facade.public_send(name, *args) }
    engine.fire(84)
    assert_equal [[], [[:updateView], [:forceUpdateView]]], [callbacks.calls, second.calls]
    first_facade = facade
    second.define_singleton_method(:updateHtml) { record(:updateHtml); first_facade.getPointSize }
    engine.fire(85)
    assert_equal [[[:updateView]], [:updateHtml]], [callbacks.calls, second.calls.last]
  end

  def test_exception_in_a_callback_is_raised_by_the_facade_method_after_the_slot
    facade = OrvaxTest.facade(Raising.new)
    [[86, 'first'], [87, 'sure?'], [92]].each { |callback| engine.script(6, *callback) }
    assert_equal 'no box for first', assert_raises(IOError) { facade.setPointSize(3) }.message
    # The engine ran on after each callback and got the neutral answers.
    assert_equal [[6, [3]], [6, :after_callback, 86, nil], [6, :after_callback, 87, false],
                  [6, :after_callback, 92, []]], engine.calls
  end

  def test_nested_facade_call_during_a_callback_raises_in_its_own_method
    inner = OrvaxTest.facade(Raising.new)
    seen = []
    callbacks.define_singleton_method(:updateView) do
      begin
        inner.getNameVector
      rescue IOError => e
        seen << e.message
        raise if seen.size > 1
      end
    end
    engine.script(40, 86, 'inner')
    engine.script(6, 83)
    assert_nil facade.setPointSize(4)
    # Not rescued by the script, it travels on to the outer facade call.
    assert_equal 'no box for inner', assert_raises(IOError) { facade.setPointSize(5) }.message
    assert_equal ['no box for inner'] * 2, seen
  end

  # Two threads inside engine calls that end in the other order: each thread's exception stays with its call.
  def test_engine_calls_of_two_threads_ending_out_of_order
    first_in, first_go, second_go = Array.new(3) { Queue.new }
    on_view { first_in << true; first_go.pop; raise IOError, 'first thread' }
    callbacks.define_singleton_method(:forceUpdateView) { first_go << true; second_go.pop }
    other = OrvaxTest.facade(callbacks)
    first = Thread.new { Thread.current.report_on_exception = false; facade.setPointSize(1) }
    first_in.pop
    second = Thread.new { other.setColorMode(2) }
    assert_equal 'first thread', assert_raises(IOError) { first.join }.message
    second_go << true
    assert_nil second.value
    assert_no_call_in_progress
  end

  # A fiber suspended inside an engine call outlives the call that resumed it, or is abandoned and collected.
  def test_engine_calls_of_fibers_suspended_inside_them
    fiber = Fiber.new { facade.setPointSize(1) }
    on_view { Fiber.yield }
    callbacks.define_singleton_method(:forceUpdateView) { fiber.resume }
    facade.setColorMode(2)
    fiber.resume
    refute fiber.alive?
    assert_no_call_in_progress
    assert Fiber.new { facade.setPointSize(1) }.tap(&:resume).alive?
    GC.start(full_mark: true, immediate_sweep: true)
    assert_no_call_in_progress
  end

  # setPointSize calls back updateView (`body` from now on), setColorMode forceUpdateView.
  def on_view(&body)
    callbacks.define_singleton_method(:updateView, &body)
    engine.script(6, 83)
    engine.script(7, 84)
  end

  # With no facade call in progress a script's exception, or other exit (then dropped), becomes one console line.
  def assert_no_call_in_progress
    raising = OrvaxTest.facade(Raising.new).tap(&:getNumberofEntity) # now the one served
    out, = capture_subprocess_io { assert_equal [nil, nil], [engine.fire(86, 'late'), catch(:out) { engine.fire(83) }] }
    assert_equal ["engine callback RubyMessageBox raised: IOError: no box for late\n",
                  "engine callback updateView left by throw: dropped\n"].join, out
    assert raising.isModuleLoaded # keeps the facade alive until here
  end

  def test_callback_from_a_foreign_thread_only_writes_a_line
    callbacks.section_planes = [3.0]
    out, = capture_subprocess_io do
      assert_equal [nil, false, []], [engine.fire_on_thread(83), engine.fire_on_thread(87, 'q'), engine.fire_on_thread(92)]
    end
    assert_equal %w[updateView RubyYesNoBox getSectionPlanes].map { |name| "engine callback #{name} ignored: not called on a Ruby thread\n" }.join, out
    assert_equal [], callbacks.calls
  end

  def finished_slot(arg); [[6, [arg]], [6, :after_callback, 83, nil]]; end
  def left_by_break
    on_view { yield }
    facade.setPointSize(2)
    :not_left
  end

  def test_throw_and_break_leave_after_the_engine_finished_its_slot
    on_view { throw :out, :thrown }
    begin
      raise ArgumentError, 'outer'
    rescue ArgumentError => outer
      assert_equal :thrown, catch(:out) { facade.setPointSize(1) }
      assert_same outer, $! # the exception being handled is still the current one
    end
    assert_equal finished_slot(1), engine.calls
    engine.reset
    assert_equal :broken, left_by_break { break :broken }
    assert_equal finished_slot(2), engine.calls
  end

  def test_kill_kills_the_thread_sleeping_in_a_callback
    asleep = Queue.new
    ran_on = []
    on_view { asleep << true; sleep }
    thread = Thread.new { ran_on << facade.setPointSize(3) } # an exception instead would show in join
    asleep.pop
    thread.kill.join
    assert_equal [false, [], finished_slot(3)], [thread.status, ran_on, engine.calls]
  end
end
