# Container objects that refer to others, run with the collector stressed.
require 'orvax_test_helper'

class TestContainersUnderGc < Minitest::Test
  include OrvaxTest::GcStress

  def test_references_and_iterators_keep_their_owners
    bounds = ORVAX::ClippingBoxVector.new([ORVAX::ClippingBox.new]).front.sxXyYzZ
    it = ORVAX::IntVector.new([1, 2, 3]).begin.next
    keys = ORVAX::StringStringMap.new('a' => '1', 'b' => '2').key_iterator
    same = ORVAX::DoubleVector.new([1.5]).each { nil }
    assert_equal 6, bounds.size
    assert_equal 2, it.value
    assert_equal 'b', keys.next.value
    assert_equal [1.5], same.to_a
  end

  def test_building_and_reading
    v = ORVAX::StringVector.new(%w[a b])
    v.unshift('z')
    v[4] = 'q'
    assert_equal %w[z a b q q], v.to_a
    m = ORVAX::StringStringMap.new('k' => 'v')
    assert_equal({ 'k' => 'v' }, m.to_hash)
    assert_equal [2.0], ORVAX::DoubleVector.new([1.0]).map_bang { |x| x * 2 }.to_a
    assert_equal 'SWIG::TYPE_p_SectionPlane', ORVAX::SectionPlaneVector.new(1)[0].class.name
  end
end
