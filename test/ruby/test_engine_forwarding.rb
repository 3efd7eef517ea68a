# Every forwarding facade method (OrvaxTest::FACADE) with the scripted engine bound: the
# slot it calls, the arguments the engine receives (converted, in Ruby order) and the result.
require_relative 'engine_support/in_process'

class TestEngineForwarding < Minitest::Test
  include EngineSupport::InProcess

  def test_each_forwarding_method_calls_its_slot_and_converts_both_ways
    failures = OrvaxTest::FACADE.select(&:slot).map do |m|
      engine.reset
      engine.answer(m.slot, m.answer) unless m.answer.nil?
      result = facade.public_send(m.name, *m.args)
      problems = []
      calls = engine.calls
      problems << "engine saw #{calls.inspect}" unless calls == [[m.slot, m.sent]]
      problems << "answered #{result.inspect}" unless same?(m.result, result)
      problems << 'result not frozen' if result.is_a?(Array) && !result.frozen?
      "#{m.name}: #{problems.join('; ')}" unless problems.empty?
    end
    assert_empty failures.compact
  end

  def test_any_point_cloud_loaded_asks_for_the_names
    engine.answer(40, [])
    assert_equal false, facade.isAnyPointCloudLoaded
    engine.answer(40, ['x'])
    assert_equal true, facade.isAnyPointCloudLoaded
    assert_equal [[40, []], [40, []]], engine.calls
  end

  def test_failed_orientation_tells_the_facades_own_callbacks_once
    other = OrvaxTest::RecordingCallbacks.new
    ORVAX::MyNativeClass.new(other).getNumberofEntity # the callbacks now serve the other one
    engine.answer(28, { status: -2, values: [0.5] })
    assert_equal [0.5], facade.autoOrientate(false)
    engine.answer(28, { status: 1 })
    assert_equal [], facade.autoOrientate(true)
    failure = [:RubyMessageBox, 'manager.transformation.orientation.failure']
    assert_equal [failure, failure], callbacks.calls
    assert_empty other.calls
  end

  def test_camera_block_is_sent_by_the_z_axis_only
    facade.setEye(1, 2, 3)
    facade.setXAxis(1, 0, 0)
    facade.setYAxis(0, 1, 0)
    assert_empty engine.calls
    facade.setZAxis(0, 0, 1)
    facade.setXAxis(0, 0, 7)
    facade.setZAxis(0, 0, 1)
    blocks = engine.calls_to(14).map(&:first)
    assert_equal [[1.0, 0.0, -0.0, 0.0, 0.0, 1.0, -0.0, 0.0, 0.0, 0.0, -1.0, 0.0,
                   -1.0, -2.0, -3.0, 1.0],
                  [0.0, 0.0, -0.0, 0.0, 0.0, 1.0, -0.0, 0.0, 7.0, 0.0, -1.0, 0.0,
                   -1.0, -2.0, -3.0, 1.0]], blocks
    # The Z components are sign flips: 0.0 goes as -0.0.
    assert_equal [true, true], blocks[0].values_at(2, 6).map { |v| (1.0 / v).negative? }
  end

  def test_station_names_come_as_a_string_map
    skip 'StringStringMap not available' unless ORVAX.const_defined?(:StringStringMap)
    engine.answer(36, { 'b' => '2', 'a' => "\u00e9" })
    map = facade.getQPEStationNames
    assert_instance_of ORVAX::StringStringMap, map
    assert_equal [36, []], engine.calls.last
    assert_equal 2, map.size
    assert_equal '2', map['b']
    assert_equal "\u00e9".b, map['a'].b
  end

  def test_clipping_boxes_come_as_owned_copies
    skip 'ClippingBox accessors not available' unless ORVAX::ClippingBox.method_defined?(:sxXyYzZ)
    engine.answer(37, [{ bounds: [0, 1, 2, 3, 4, 5], sum: 6.5, enabled: true, visible: false },
                       { bounds: [9] * 6, visible: true, planes: [[1, 2, 3, 4, 5, 6, true]] }])
    boxes = facade.getClippingBoxVector
    assert boxes.frozen?
    assert_equal [ORVAX::ClippingBox] * 2, boxes.map(&:class)
    first, second = boxes
    assert_equal [0.0, 1.0, 2.0, 3.0, 4.0, 5.0], first.sxXyYzZ.to_a
    assert_equal [6.5, true, false], [first.mSumBBMinnMax, first.mClippingBoxEnabled,
                                      first.get_Visible]
    assert_equal [true, 1], [second.mClippingBoxVisible, second.sSectionVector.size]
    first.mSumBBMinnMax = 1.0 # a copy: the engine's box does not change
    assert_equal 6.5, facade.getClippingBoxVector.first.mSumBBMinnMax
  end

  private

  def same?(expected, actual)
    return expected.nil? && actual.nil? if expected.nil? || actual.nil?
    return expected.b == actual.b if expected.is_a?(String) && actual.is_a?(String)
    return expected.class == actual.class && expected == actual unless expected.is_a?(Array)

    actual.is_a?(Array) && expected.size == actual.size &&
      expected.zip(actual).all? { |e, a| same?(e, a) }
  end
end
