# With no engine bound every facade method still converts its arguments and answers a
# fixed result without calling the engine.
require 'orvax_test_helper'

class TestFacadeUnbound < Minitest::Test
  include OrvaxTest::Assertions

  S = 'std::string const &'
  D = 'double'
  EMPTY = :frozen_empty_array

  # method, valid arguments, not-bound result, argument type texts.
  ROWS = [
    [:CallBackToRuby, ['x'], nil, [S]],
    [:isAnyPointCloudLoaded, [], false, []],
    [:AddPointCloud, ['a', 'b'], nil, ['std::string const', 'std::string const']],
    [:InitCloudProcessor, ['x'], false, [S]],
    [:CloseCloudProcessor, [], nil, []],
    [:ProcessCloud, [[1.0], 'x'], EMPTY, [OrvaxTest::FLOATS, S]],
    [:ProcessModel, [[1.0], [2], 'x'], EMPTY, [OrvaxTest::FLOATS, OrvaxTest::FLOATS, S]],
    [:GetAmplitudeParameters, [], EMPTY, []],
    [:GetOutputJSon, [], 'This message should never appear', []],
    [:ComputeCellNb, [1.5], 0.0, ['float']],
    [:autoOrientate, [true], EMPTY, ['bool']],
    [:applyTemporaryTransformation, [], nil, []],
    [:scalePointCloud, [2], nil, ['float']],
    [:initConnect, [7], nil, ['long long']],
    [:getLoadedCloudName, [], '', []],
    [:setPointSize, [3], nil, ['int']],
    [:setColorMode, [1], nil, ['int']],
    [:setContrast, [0.5], nil, [D]],
    [:setBrightness, [1], nil, [D]],
    [:setBKVersion, [2**40], nil, ['long long']],
    [:setSceneIsMoving, [true], nil, ['bool']],
    [:setVisibilityMode, [2], nil, ['int']],
    [:setShadingMode, [2], nil, ['int']],
    [:setTransparency, [0.3], nil, [D]],
    [:setPickingLockMode, [1], nil, ['int']],
    [:getPickingLockMode, [], 0, []],
    [:getBoundingBox, [], EMPTY, []],
    [:getPointCloudCurrentTransformation, [], EMPTY, []],
    [:getGlobalOffset, [], EMPTY, []],
    [:setGlobalOffset, [1, 2, 3.5], nil, [D, D, D]],
    [:setRealTimeTextured, [1.0], nil, [D]],
    [:setPickingMode, [0], nil, ['int']],
    [:setResolution, [0.1], nil, [D]],
    [:setConditionalBlending, [0.1], nil, [D]],
    [:activateCutView, [false], nil, ['bool']],
    [:setThickness, [2.0], nil, [D]],
    [:setActiveTool, [4], nil, ['int']],
    [:getNumberofEntity, [], 0, []],
    [:getNumberofFilters, [], 0, []],
    [:reinitProject, [], nil, []],
    [:getVisibilityVector, [], EMPTY, []],
    [:getMainCloudVector, [], EMPTY, []],
    [:getNameVector, [], EMPTY, []],
    [:getClippingBoxVector, [], EMPTY, []],
    [:getStationNameVector, [], EMPTY, []],
    [:getStationPositionVector, [], EMPTY, []],
    [:getCurrentPointAndNormal, [], EMPTY, []],
    [:getPath, [0], EMPTY, ['int']],
    [:getClippingBoxFromDepth, Array.new(13) { |i| i.even? ? i : i + 0.5 }, EMPTY, [D] * 13],
    [:setVisibility, [0, true], nil, ['int', 'bool']],
    [:setVisibilityByName, ['cloud', 1], nil, [S, 'bool']],
    [:getVisibilityFilterVector, [], EMPTY, []],
    [:setVisibilityFilter, [1, false], nil, ['int', 'bool']],
    [:setVisibilityFilterByName, ['f', 0], nil, [S, 'bool']],
    [:setComparisonDistanceValue, [3], nil, [D]],
    [:setEye, [1, 2, 3], nil, [D, D, D]],
    [:setXAxis, [1, 0, 0], nil, [D, D, D]],
    [:setYAxis, [0, 1, 0], nil, [D, D, D]],
    [:setZAxis, [0, 0, 1], nil, [D, D, D]],
    [:setDecimationWhenMovingPurc, [50], nil, ['int']],
    [:getDecimationPurc, [], 0, []],
    [:StopRendering, [], nil, []],
    [:getThickness, [], 0.0, []],
    [:getActivateCutView, [], false, []],
    [:getRealTimeTextured, [], 0.0, []],
    [:getDistanceThreshold, [], 0.0, []],
    [:getTransparency, [], 0.0, []],
    [:getShadingMode, [], 0, []],
    [:getVisibilityMode, [], 0, []],
    [:getColorMode, [], 0, []],
    [:getBrightness, [], 0.0, []],
    [:getContrast, [], 0.0, []],
    [:getPointSize, [], 0, []],
    [:getBKMSavedName, [], '', []]
  ].freeze

  # A value of the wrong kind for each type text, with the class it raises.
  WRONG = {
    'int' => [1.5, TypeError], 'long long' => ['1', TypeError], D => ['1.0', TypeError],
    'float' => [:f, TypeError], 'bool' => [nil, TypeError], S => [1, TypeError],
    'std::string const' => [2.5, TypeError], OrvaxTest::FLOATS => ['x', TypeError]
  }.freeze

  def setup
    @callbacks = OrvaxTest::RecordingCallbacks.new
    @facade = ORVAX::MyNativeClass.new(@callbacks)
  end

  def test_not_bound_results
    ROWS.each do |name, args, expected, _|
      result = @facade.public_send(name, *args)
      if expected == EMPTY
        assert_equal [], result, name
        assert result.frozen?, "#{name} returns a frozen Array"
        assert_raises(FrozenError, name) { result << 1 }
      elsif expected.nil?
        assert_nil result, name
      else
        assert_equal expected, result, name
        assert_equal expected.class, result.class, name
      end
    end
    assert_empty @callbacks.calls, 'no engine, no callbacks'
  end

  def test_results_are_new_objects
    first = @facade.getLoadedCloudName
    first << 'changed'
    assert_equal '', @facade.getLoadedCloudName
    json = @facade.GetOutputJSon
    assert_equal 32, json.bytesize
    refute_same json, @facade.GetOutputJSon
  end

  def test_station_names_are_an_empty_map
    skip 'ORVAX::StringStringMap not defined yet (containers pending)' unless ORVAX.const_defined?(:StringStringMap)
    names = @facade.getQPEStationNames
    assert_instance_of ORVAX::StringStringMap, names
    assert_equal 0, names.size
    refute_same names, @facade.getQPEStationNames
  end

  def test_argument_type_errors_name_type_and_position
    ROWS.each do |name, args, _, types|
      types.each_with_index do |type, index|
        wrong, klass = WRONG.fetch(type)
        given = args.dup
        given[index] = wrong
        message = OrvaxTest.type_message(type, name, index + 2, wrong)
        assert_raises_message(klass, message, "#{name} argument #{index + 1}") { @facade.public_send(name, *given) }
      end
    end
  end

  def test_null_references_for_reference_arguments
    ROWS.each do |name, args, _, types|
      types.each_with_index do |type, index|
        next unless type.end_with?('&')
        given = args.dup
        given[index] = nil
        assert_raises_message(ArgumentError, OrvaxTest.null_message(type, name, index + 2), name) do
          @facade.public_send(name, *given)
        end
      end
    end
  end

  def test_clipping_box_from_depth_fifth_argument
    args = Array.new(13, 1.0)
    args[4] = 'five'
    assert_raises_message(TypeError, OrvaxTest.type_message('double', 'getClippingBoxFromDepth', 6, 'five')) do
      @facade.getClippingBoxFromDepth(*args)
    end
    assert_raises_message(ArgumentError, 'wrong # of arguments(12 for 13)') { @facade.getClippingBoxFromDepth(*args.first(12)) }
    assert_raises_message(ArgumentError, 'wrong # of arguments(14 for 13)') { @facade.getClippingBoxFromDepth(*args, 1) }
  end

  # Arguments are converted left to right: the first bad one is reported.
  def test_first_bad_argument_wins
    assert_raises_message(TypeError, OrvaxTest.type_message('int', 'setVisibility', 2, 'a')) { @facade.setVisibility('a', 'b') }
    assert_raises_message(TypeError, OrvaxTest.type_message('bool', 'setVisibility', 3, 'b')) { @facade.setVisibility(1, 'b') }
    assert_raises_message(TypeError, OrvaxTest.type_message(D, 'setEye', 4, nil)) { @facade.setEye(1, 2, nil) }
  end

  def test_camera_setters_accept_special_values
    assert_nil @facade.setEye(0.0, -0.0, Float::NAN)
    assert_nil @facade.setZAxis(Float::INFINITY, 0, 2**80)
    assert_nil @facade.setZAxis(0, 0, 1)
  end

  # Host methods that are registered with their argument count only so far.
  def test_host_methods_registered
    %i[proto openFileDialogMulti getDevice_ID].each do |name|
      assert @facade.respond_to?(name), name
    end
  end

  def test_load_request_without_engine
    result = @facade.LoadMultiPointCloud('{"bk_version_number": 1, "major_version": 23, "minor_version": 1}')
    assert_equal '', result
    assert_equal Encoding::ASCII_8BIT, result.encoding
  end
end
