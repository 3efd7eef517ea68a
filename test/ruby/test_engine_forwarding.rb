# Every forwarding facade method with the scripted engine bound: the slot it calls, the
# arguments the engine receives (converted, in Ruby order) and the converted result.
require_relative 'engine_support/in_process'

class TestEngineForwarding < Minitest::Test
  include EngineSupport::InProcess

  TENTH = 0.1.to_f.then { |v| [v].pack('f').unpack1('f') } # 0.1 narrowed to single precision

  # [method, Ruby arguments, slot, arguments the engine sees, engine answer, Ruby result]
  ROWS = [
    [:AddPointCloud, ['a.e57', "b\u0000"], 20, ['a.e57', "b\u0000"], nil, nil],
    [:InitCloudProcessor, ['cfg'], 21, ['cfg'], false, true],
    [:CloseCloudProcessor, [], 27, [], nil, nil],
    [:ProcessCloud, [[1, 2.5, 0.1], 'p'], 23, [[1.0, 2.5, TENTH], 'p'], [0.5, 0.25], [0.5, 0.25]],
    [:ProcessModel, [[1], [2, 3], 'm'], 24, [[1.0], [2.0, 3.0], 'm'], [1.5], [1.5]],
    [:GetAmplitudeParameters, [], 25, [], [3.25, 0.1], [3.25, TENTH]],
    [:GetOutputJSon, [], 26, [], '{"ok":1}', '{"ok":1}'],
    [:ComputeCellNb, [0.1], 22, [TENTH], 2.5, 2.5],
    [:autoOrientate, [true], 28, [true, 0], { status: 0, values: [1.5, 2] }, [1.5, 2.0]],
    [:applyTemporaryTransformation, [], 4, [], nil, nil],
    [:scalePointCloud, [0.1], 5, [TENTH], nil, nil],
    [:getLoadedCloudName, [], 39, [], 'cloud', 'cloud'],
    [:reinitProject, [], 18, [], nil, nil],
    [:StopRendering, [], 8, [], nil, nil],
    [:setPointSize, [3], 6, [3], nil, nil],
    [:setColorMode, [2], 7, [2], nil, nil],
    [:setVisibilityMode, [-1], 9, [-1], nil, nil],
    [:setShadingMode, [4], 10, [4], nil, nil],
    [:setTransparency, [1], 11, [1.0], nil, nil],
    [:setRealTimeTextured, [0.5], 12, [0.5], nil, nil],
    [:setPickingMode, [1], 13, [1], nil, nil],
    [:setPickingLockMode, [2], 15, [2], nil, nil],
    [:setActiveTool, [5], 34, [5], nil, nil],
    [:setResolution, [0.25], 47, [0.25], nil, nil],
    [:setConditionalBlending, [0.75], 48, [0.75], nil, nil],
    [:setComparisonDistanceValue, [3.5], 49, [3.5], nil, nil],
    [:activateCutView, [true], 53, [true], nil, nil],
    [:setThickness, [0.125], 54, [0.125], nil, nil],
    [:setDecimationWhenMovingPurc, [40], 55, [40], nil, nil],
    [:setContrast, [-1.5], 57, [-1.5], nil, nil],
    [:setBrightness, [2], 58, [2.0], nil, nil],
    [:setSceneIsMoving, [false], 59, [false], nil, nil],
    [:setBKVersion, [2**31], 60, [2**31], nil, nil],
    [:getPickingLockMode, [], 16, [], 7, 7],
    [:getDecimationPurc, [], 56, [], -40, -40],
    [:getThickness, [], 61, [], 0.25, 0.25],
    [:getActivateCutView, [], 62, [], true, true],
    [:getRealTimeTextured, [], 63, [], 0.5, 0.5],
    [:getDistanceThreshold, [], 64, [], 12.5, 12.5],
    [:getTransparency, [], 65, [], 0.75, 0.75],
    [:getShadingMode, [], 66, [], 2**40, 2**40],
    [:getVisibilityMode, [], 67, [], -2**40, -2**40],
    [:getColorMode, [], 68, [], 3, 3],
    [:getBrightness, [], 69, [], 1.5, 1.5],
    [:getContrast, [], 70, [], -0.5, -0.5],
    [:getPointSize, [], 71, [], -3, -3],
    [:getNumberofEntity, [], 29, [], 4, 4],
    [:getNumberofFilters, [], 30, [], 2, 2],
    [:getVisibilityVector, [], 32, [], [true, false], [true, false]],
    [:getMainCloudVector, [], 33, [], [false], [false]],
    [:getNameVector, [], 40, [], ['a', "\u00e9"], ['a', "\u00e9".b]],
    [:getVisibilityFilterVector, [], 43, [], [true], [true]],
    [:getStationNameVector, [], 35, [], ['s1', 's2'], ['s1', 's2']],
    [:getStationPositionVector, [], 38, [], [1, 2, 3.5], [1.0, 2.0, 3.5]],
    [:getCurrentPointAndNormal, [], 50, [], [0, 0, 1], [0.0, 0.0, 1.0]],
    [:getPath, [2], 51, [2], [4.5], [4.5]],
    [:getClippingBoxFromDepth, (1..13).to_a, 52, (1..13).map(&:to_f), [9.5], [9.5]],
    [:setVisibility, [1, true], 41, [1, true], nil, nil],
    [:setVisibilityByName, ['cloud', false], 42, ['cloud', false], nil, nil],
    [:setVisibilityFilter, [0, false], 44, [0, false], nil, nil],
    [:setVisibilityFilterByName, ['f', true], 45, ['f', true], nil, nil],
    [:getBoundingBox, [], 72, [], [0, 1, 0, 1, 0, 1], [0.0, 1.0, 0.0, 1.0, 0.0, 1.0]],
    [:getPointCloudCurrentTransformation, [], 73, [], [1.0] * 16, [1.0] * 16],
    [:getGlobalOffset, [], 74, [], [10, 20, 30], [10.0, 20.0, 30.0]],
    [:setGlobalOffset, [1, 2, 3], 75, [1.0, 2.0, 3.0], nil, nil],
    [:getBKMSavedName, [], 81, [], [0x6D, 0xE9, 0xD83D, 0xDE00],
     "m\u00e9".b + "\xED\xA0\xBD\xED\xB8\x80".b]
  ].freeze

  def test_each_forwarding_method_calls_its_slot_and_converts_both_ways
    failures = ROWS.filter_map do |name, args, slot, engine_args, answer, expected|
      engine.reset
      engine.answer(slot, answer) unless answer.nil?
      result = facade.public_send(name, *args)
      problems = []
      calls = engine.calls
      problems << "engine saw #{calls.inspect}" unless calls == [[slot, engine_args]]
      problems << "answered #{result.inspect}" unless same?(expected, result)
      problems << 'result not frozen' if result.is_a?(Array) && !result.frozen?
      "#{name}: #{problems.join('; ')}" unless problems.empty?
    end
    assert_empty failures
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
