# ClippingBox: defaults, accessors and the lists it hands out by reference.
require 'orvax_test_helper'

class TestClippingBox < Minitest::Test
  def test_defaults
    b = ORVAX::ClippingBox.new
    assert_equal [0.0] * 6, b.sxXyYzZ.to_a
    assert_instance_of ORVAX::DoubleVector, b.sxXyYzZ
    assert_equal 6, b.sSectionVector.size
    assert_instance_of ORVAX::SectionPlaneVector, b.sSectionVector
    assert_equal [0.0, false, false], [b.mSumBBMinnMax, b.mClippingBoxEnabled, b.get_Visible]
  end

  def test_scalar_accessors
    b = ORVAX::ClippingBox.new
    b.mSumBBMinnMax = 3
    assert_equal 3.0, b.mSumBBMinnMax
    b.mClippingBoxEnabled = 7
    assert_equal true, b.get_Enabled
    assert_equal true, b.mClippingBoxEnabled
    b.mClippingBoxEnabled = 0
    assert_equal false, b.get_Enabled
    b.mClippingBoxVisible = true
    assert_equal b.mClippingBoxVisible, b.get_Visible
    e = assert_raises(TypeError) { b.mClippingBoxVisible = nil }
    assert_equal "Expected argument 1 of type bool, but got NilClass nil\n\tin SWIG method 'mClippingBoxVisible'", e.message
    e = assert_raises(TypeError) { b.mSumBBMinnMax = 'x' }
    assert_match(/of type double, but got String/, e.message)
  end

  def test_lists_refer_to_the_box
    b = ORVAX::ClippingBox.new
    b.sxXyYzZ.push(1.0)
    assert_equal 7, b.sxXyYzZ.size
    b.sxXyYzZ[0] = 2.5
    assert_equal 2.5, b.sxXyYzZ[0]
    b.sSectionVector.pop
    assert_equal 5, b.sSectionVector.size
    bounds = b.sxXyYzZ
    b.sxXyYzZ = ORVAX::DoubleVector.new([1.0, 2.0])
    assert_equal [1.0, 2.0], bounds.to_a
    b.sxXyYzZ = b.sxXyYzZ
    assert_equal [1.0, 2.0], b.sxXyYzZ.to_a
    b.sSectionVector = ORVAX::SectionPlaneVector.new(2)
    assert_equal 2, b.sSectionVector.size
  end

  def test_list_setters_refuse_arrays_and_nil
    b = ORVAX::ClippingBox.new
    e = assert_raises(TypeError) { b.sxXyYzZ = [1.0] }
    assert_equal "Expected argument 1 of type std::vector< double,std::allocator< double > > *, but got Array [1.0]\n" \
                 "\tin SWIG method 'sxXyYzZ'", e.message
    e = assert_raises(ArgumentError) { b.sSectionVector = nil }
    assert_match(/\Ainvalid null reference Expected argument 1 of type std::vector< SectionPlane,std::allocator< SectionPlane > > \*/,
                 e.message)
    assert_equal 6, b.sSectionVector.size
    e = assert_raises(RuntimeError) { ORVAX::ClippingBox.allocate.get_Enabled }
    assert_equal 'ObjectPreviouslyDeleted', e.class.name
    assert_match(/\AExpected argument 0 of type ClippingBox \*/, e.message)
  end

  def test_list_outlives_its_box
    lists = Array.new(20) { ORVAX::ClippingBox.new.sxXyYzZ }
    GC.start
    lists.each { |l| assert_equal [0.0] * 6, l.to_a }
  end

  def test_second_initialize_keeps_handed_out_lists_valid
    b = ORVAX::ClippingBox.new
    list = b.sxXyYzZ
    list.push(1.0)
    b.send(:initialize)
    assert_equal 6, list.size
  end
end
