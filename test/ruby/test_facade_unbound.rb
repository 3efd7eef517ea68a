# With no engine bound every facade method still converts its arguments and answers a
# fixed result without calling the engine.
require 'orvax_test_helper'

class TestFacadeUnbound < Minitest::Test
  include OrvaxTest::Assertions

  D = 'double'
  CHECKED = OrvaxTest::FACADE.select(&:checked?)
  # A value of the wrong kind for each type text.
  WRONG = { 'int' => 1.5, 'long long' => '1', D => '1.0', 'float' => :f, 'bool' => nil,
            'std::string const &' => 1, 'std::string const' => 2.5, OrvaxTest::FLOATS => 'x' }.freeze

  def setup
    @callbacks = OrvaxTest::RecordingCallbacks.new
    @facade = ORVAX::MyNativeClass.new(@callbacks)
  end

  def test_not_bound_results
    CHECKED.each do |m|
      result = @facade.public_send(m.name, *m.args)
      if m.unbound == :empty
        assert_equal [], result, m.name
        assert_raises(FrozenError, m.name) { result << 1 }
      elsif m.unbound.nil?
        assert_nil result, m.name
      else
        assert_equal [m.unbound.class, m.unbound], [result.class, result], m.name
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
    CHECKED.each do |m|
      name = m.name
      m.types.each_with_index do |type, index|
        given = m.args.dup
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
