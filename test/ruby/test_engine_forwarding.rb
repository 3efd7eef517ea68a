# Every forwarding facade method with the engine bound: its slot, the converted arguments and the result.
require_relative 'engine_support/in_process'

class TestEngineForwarding < Minitest::Test
  include EngineSupport::InProcess

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
    boxes = facade.getClippingBoxVector
    first, second = boxes
    assert_equal [true, [ORVAX::ClippingBox] * 2, [0.0, 1.0, 2.0, 3.0, 4.0, 5.0], 6.5, true, false, true, 1],
                 [boxes.frozen?, boxes.map(&:class), first.sxXyYzZ.to_a, first.mSumBBMinnMax,
                  first.mClippingBoxEnabled, first.get_Visible, second.mClippingBoxVisible, second.sSectionVector.size]
    first.mSumBBMinnMax = 1.0 # a copy: the engine's box does not change
    assert_equal 6.5, facade.getClippingBoxVector.first.mSumBBMinnMax
  end
end
