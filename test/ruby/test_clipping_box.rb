# ClippingBox: defaults, accessors and the lists it hands out by reference.
require 'orvax_test_helper'

class TestClippingBox < Minitest::Test
  def test_defaults_accessors_and_lists
    b = ORVAX::ClippingBox.new
    assert_equal [[0.0] * 6, ORVAX::DoubleVector, 6, ORVAX::SectionPlaneVector, 0.0, false, false],
                 [b.sxXyYzZ.to_a, b.sxXyYzZ.class, b.sSectionVector.size, b.sSectionVector.class, b.mSumBBMinnMax,
                  b.mClippingBoxEnabled, b.get_Visible]
    b.mSumBBMinnMax = 3
    b.mClippingBoxEnabled = 7
    enabled = [b.get_Enabled, b.mClippingBoxEnabled]
    b.mClippingBoxEnabled = 0
    b.mClippingBoxVisible = true
    e = assert_raises(RuntimeError) { ORVAX::ClippingBox.allocate.get_Enabled }
    assert_equal [3.0, [true, true], false, true, true, 'ObjectPreviouslyDeleted', true,
                  "Expected argument 1 of type bool, but got NilClass nil\n\tin SWIG method 'mClippingBoxVisible'"],
                 [b.mSumBBMinnMax, enabled, b.get_Enabled, b.mClippingBoxVisible, b.get_Visible, e.class.name,
                  e.message.start_with?('Expected argument 0 of type ClippingBox *'),
                  assert_raises(TypeError) { b.mClippingBoxVisible = nil }.message]
    assert_match(/of type double, but got String/, assert_raises(TypeError) { b.mSumBBMinnMax = 'x' }.message)
    # The lists refer to the box; a second initialize keeps those handed out valid.
    b = ORVAX::ClippingBox.new
    bounds = b.sxXyYzZ
    b.sxXyYzZ.push(1.0)
    b.sxXyYzZ[0] = 2.5
    b.sSectionVector.pop
    assert_equal [7, 2.5, 5, 6], [bounds.size, b.sxXyYzZ[0], b.sSectionVector.size, (b.send(:initialize); bounds.size)]
    b.sxXyYzZ = ORVAX::DoubleVector.new([1.0, 2.0])
    seen = bounds.to_a
    b.sxXyYzZ = b.sxXyYzZ
    b.sSectionVector = ORVAX::SectionPlaneVector.new(2)
    assert_equal [[1.0, 2.0], [1.0, 2.0], 2, "Expected argument 1 of type std::vector< double,std::allocator< double > > *, but got Array [1.0]\n" \
                                             "\tin SWIG method 'sxXyYzZ'"],
                 [seen, b.sxXyYzZ.to_a, b.sSectionVector.size, assert_raises(TypeError) { b.sxXyYzZ = [1.0] }.message]
    assert_match(/\Ainvalid null reference Expected argument 1 of type std::vector< SectionPlane,std::allocator< SectionPlane > > \*/,
                 assert_raises(ArgumentError) { b.sSectionVector = nil }.message)
    assert_equal 2, b.sSectionVector.size
  end
end
