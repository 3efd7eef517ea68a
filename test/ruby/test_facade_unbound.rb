# With no engine bound every facade method still converts its arguments and answers a
# fixed result without calling the engine.
require 'orvax_test_helper'

class TestFacadeUnbound < Minitest::Test
  include OrvaxTest::Assertions

  S = 'std::string const &'
  D = 'double'
  F = OrvaxTest::FLOATS
  EMPTY = :frozen_empty_array

  # Methods without arguments and their not-bound result.
  GETTERS = {
    isAnyPointCloudLoaded: false, CloseCloudProcessor: nil, GetAmplitudeParameters: EMPTY,
    GetOutputJSon: 'This message should never appear', applyTemporaryTransformation: nil,
    getLoadedCloudName: '', getPickingLockMode: 0, getBoundingBox: EMPTY,
    getPointCloudCurrentTransformation: EMPTY, getGlobalOffset: EMPTY, getNumberofEntity: 0,
    getNumberofFilters: 0, reinitProject: nil, getVisibilityVector: EMPTY, getMainCloudVector: EMPTY,
    getNameVector: EMPTY, getClippingBoxVector: EMPTY, getStationNameVector: EMPTY,
    getStationPositionVector: EMPTY, getCurrentPointAndNormal: EMPTY, getVisibilityFilterVector: EMPTY,
    getDecimationPurc: 0, StopRendering: nil, getThickness: 0.0, getActivateCutView: false,
    getRealTimeTextured: 0.0, getDistanceThreshold: 0.0, getTransparency: 0.0, getShadingMode: 0,
    getVisibilityMode: 0, getColorMode: 0, getBrightness: 0.0, getContrast: 0.0, getPointSize: 0,
    getBKMSavedName: ''
  }.freeze

  # Methods with arguments: valid arguments, argument type texts, not-bound result.
  WITH_ARGUMENTS = [
    [:CallBackToRuby, ['x'], [S]], [:AddPointCloud, %w[a b], ['std::string const'] * 2],
    [:InitCloudProcessor, ['x'], [S], false], [:ProcessCloud, [[1.0], 'x'], [F, S], EMPTY],
    [:ProcessModel, [[1.0], [2], 'x'], [F, F, S], EMPTY], [:ComputeCellNb, [1.5], ['float'], 0.0],
    [:autoOrientate, [true], ['bool'], EMPTY], [:scalePointCloud, [2], ['float']],
    [:initConnect, [7], ['long long']], [:setBKVersion, [2**40], ['long long']],
    [:setSceneIsMoving, [true], ['bool']], [:activateCutView, [false], ['bool']],
    [:getPath, [0], ['int'], EMPTY], [:getClippingBoxFromDepth, Array.new(13) { |i| i.even? ? i : i + 0.5 }, [D] * 13, EMPTY],
    [:setVisibility, [0, true], %w[int bool]], [:setVisibilityByName, ['cloud', 1], [S, 'bool']],
    [:setVisibilityFilter, [1, false], %w[int bool]], [:setVisibilityFilterByName, ['f', 0], [S, 'bool']],
    *%i[setEye setXAxis setYAxis setZAxis setGlobalOffset].map { |n| [n, [1, 2, 3.5], [D] * 3] },
    *%i[setPointSize setColorMode setVisibilityMode setShadingMode setPickingLockMode setPickingMode
        setActiveTool setDecimationWhenMovingPurc].map { |n| [n, [3], ['int']] },
    *%i[setContrast setBrightness setTransparency setRealTimeTextured setResolution setConditionalBlending
        setThickness setComparisonDistanceValue].map { |n| [n, [0.5], [D]] }
  ].freeze

  # A value of the wrong kind for each type text.
  WRONG = { 'int' => 1.5, 'long long' => '1', D => '1.0', 'float' => :f, 'bool' => nil, S => 1,
            'std::string const' => 2.5, F => 'x' }.freeze

  def setup
    @callbacks = OrvaxTest::RecordingCallbacks.new
    @facade = ORVAX::MyNativeClass.new(@callbacks)
  end

  def test_not_bound_results
    (GETTERS.map { |name, result| [name, [], result] } + WITH_ARGUMENTS.map { |n, a, _, r| [n, a, r] })
      .each do |name, args, expected|
      result = @facade.public_send(name, *args)
      if expected == EMPTY
        assert_equal [], result, name
        assert_raises(FrozenError, name) { result << 1 }
      elsif expected.nil?
        assert_nil result, name
      else
        assert_equal [expected.class, expected], [result.class, result], name
      end
    end
    assert_empty @callbacks.calls, 'no engine, no callbacks'
  end

  def test_results_are_new_objects
    @facade.getLoadedCloudName << 'changed'
    assert_equal '', @facade.getLoadedCloudName
    json = @facade.GetOutputJSon
    assert_equal 32, json.bytesize
    refute_same json, @facade.GetOutputJSon
    names = @facade.getQPEStationNames
    assert_instance_of ORVAX::StringStringMap, names
    assert_equal 0, names.size
    refute_same names, @facade.getQPEStationNames
  end

  # Each argument in turn replaced by a wrong value, or by nil for a reference.
  def test_argument_errors_name_type_and_position
    WITH_ARGUMENTS.each do |name, args, types|
      types.each_with_index do |type, index|
        given = args.dup
        given[index] = WRONG.fetch(type)
        assert_raises_message(TypeError, OrvaxTest.type_message(type, name, index + 2, given[index]),
                              "#{name} argument #{index + 1}") { @facade.public_send(name, *given) }
        next unless type.end_with?('&')
        given[index] = nil
        assert_raises_message(ArgumentError, OrvaxTest.null_message(type, name, index + 2), name) do
          @facade.public_send(name, *given)
        end
      end
    end
  end

  # Arguments are converted left to right: the first bad one is reported.
  def test_first_bad_argument_wins
    assert_raises_message(TypeError, OrvaxTest.type_message('int', 'setVisibility', 2, 'a')) { @facade.setVisibility('a', 'b') }
    assert_raises_message(TypeError, OrvaxTest.type_message('bool', 'setVisibility', 3, 'b')) { @facade.setVisibility(1, 'b') }
    assert_raises_message(TypeError, OrvaxTest.type_message(D, 'setEye', 4, nil)) { @facade.setEye(1, 2, nil) }
    args = Array.new(13, 1.0)
    args[4] = 'five'
    assert_raises_message(TypeError, OrvaxTest.type_message(D, 'getClippingBoxFromDepth', 6, 'five')) do
      @facade.getClippingBoxFromDepth(*args)
    end
  end

  def test_camera_setters_accept_special_values
    assert_nil @facade.setEye(0.0, -0.0, Float::NAN)
    assert_nil @facade.setZAxis(Float::INFINITY, 0, 2**80)
  end

  def test_load_request_without_engine
    result = @facade.LoadMultiPointCloud('{"bk_version_number": 1, "major_version": 23, "minor_version": 1}')
    assert_equal '', result
    assert_equal Encoding::ASCII_8BIT, result.encoding
  end
end
