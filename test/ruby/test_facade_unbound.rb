# With no engine bound every facade method still converts its arguments and answers a fixed result.
require 'orvax_test_helper'

class TestFacadeUnbound < Minitest::Test
  include OrvaxTest::WithFacade

  CHECKED = OrvaxTest::FACADE.select(&:checked?)
  # A value of the wrong kind for each type text.
  WRONG = { 'int' => 1.5, 'long long' => '1', 'double' => '1.0', 'float' => :f, 'bool' => nil,
            'std::string const &' => 1, 'std::string const' => 2.5, OrvaxTest::FLOATS => 'x' }.freeze

  # Results are new objects; no engine, no callbacks.
  def test_not_bound_results
    CHECKED.each do |m|
      result = @facade.public_send(m.name, *m.args)
      assert_equal [m.unbound.class, m.unbound], [result.class, result], m.name unless m.unbound == :empty
      assert_equal [[], true], [result, result.frozen?], m.name if m.unbound == :empty
    end
    assert_equal [nil, nil], [@facade.setEye(0.0, -0.0, Float::NAN), @facade.setZAxis(Float::INFINITY, 0, 2**80)]
    assert_empty @callbacks.calls
    @facade.getLoadedCloudName << 'changed'
    json = @facade.GetOutputJSon
    names = @facade.getQPEStationNames
    loaded = @facade.LoadMultiPointCloud('{"bk_version_number": 1, "major_version": 23, "minor_version": 1}')
    assert_equal ['', 32, ORVAX::StringStringMap, 0, '', Encoding::ASCII_8BIT, false, false],
                 [@facade.getLoadedCloudName, json.bytesize, names.class, names.size, loaded, loaded.encoding,
                  json.equal?(@facade.GetOutputJSon), names.equal?(@facade.getQPEStationNames)]
  end

  # Each argument in turn wrong, or nil for a reference; the first bad one from the left is reported.
  def test_argument_errors_name_type_and_position
    rows = CHECKED.flat_map do |m|
      m.types.each_with_index.flat_map do |type, index|
        wrong = m.args.dup.tap { |a| a[index] = WRONG.fetch(type) }
        nulled = m.args.dup.tap { |a| a[index] = nil }
        [[TypeError, m.name, wrong, OrvaxTest.type_message(type, m.name, index + 2, wrong[index])]] +
          (type.end_with?('&') ? [[ArgumentError, m.name, nulled, OrvaxTest.null_message(type, m.name, index + 2)]] : [])
      end
    end
    args = Array.new(13, 1.0)
    args[4] = 'five'
    args[7] = 'eight'
    rows += [[:setVisibility, %w[a b], 'int', 2, 'a'], [:setEye, [1, nil, nil], 'double', 3, nil],
             [:getClippingBoxFromDepth, args, 'double', 6, 'five']]
            .map { |n, given, t, at, v| [TypeError, n, given, OrvaxTest.type_message(t, n, at, v)] }
    rows.each { |klass, name, given, text| assert_raises_message(klass, text, name) { @facade.public_send(name, *given) } }
  end
end
