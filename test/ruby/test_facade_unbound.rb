# With no engine bound every facade method still converts its arguments and answers a
# fixed result without calling the engine.
require 'orvax_test_helper'

class TestFacadeUnbound < Minitest::Test
  include OrvaxTest::Assertions

  CHECKED = OrvaxTest::FACADE.select(&:checked?)
  # A value of the wrong kind for each type text.
  WRONG = { 'int' => 1.5, 'long long' => '1', 'double' => '1.0', 'float' => :f, 'bool' => nil,
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
      else
        assert_equal [m.unbound.class, m.unbound], [result.class, result], m.name
      end
    end
    assert_equal [nil, nil], [@facade.setEye(0.0, -0.0, Float::NAN), @facade.setZAxis(Float::INFINITY, 0, 2**80)]
    assert_empty @callbacks.calls, 'no engine, no callbacks'
    # Results are new objects.
    @facade.getLoadedCloudName << 'changed'
    json = @facade.GetOutputJSon
    names = @facade.getQPEStationNames
    loaded = @facade.LoadMultiPointCloud('{"bk_version_number": 1, "major_version": 23, "minor_version": 1}')
    assert_equal ['', 32, ORVAX::StringStringMap, 0, '', Encoding::ASCII_8BIT],
                 [@facade.getLoadedCloudName, json.bytesize, names.class, names.size, loaded, loaded.encoding]
    refute_same json, @facade.GetOutputJSon
    refute_same names, @facade.getQPEStationNames
  end

  # Each argument in turn replaced by a wrong value, or by nil for a reference; arguments
  # are converted left to right, so the first bad one is reported.
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
        assert_raises_message(ArgumentError, OrvaxTest.null_message(type, name, index + 2), name) { @facade.public_send(name, *given) }
      end
    end
    args = Array.new(13, 1.0)
    args[4] = 'five'
    args[7] = 'eight'
    [[:setVisibility, %w[a b], 'int', 2, 'a'], [:setEye, [1, nil, nil], 'double', 3, nil],
     [:getClippingBoxFromDepth, args, 'double', 6, 'five']].each do |name, given, type, position, value|
      assert_raises_message(TypeError, OrvaxTest.type_message(type, name, position, value)) { @facade.public_send(name, *given) }
    end
  end
end
