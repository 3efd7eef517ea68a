# What native code refers to stays alive and in place; collecting wrappers is safe. Also run stressed.
require 'orvax_test_helper'

class TestGc < Minitest::Test
  include OrvaxTest::GcStress

  # A facade keeps its callback object alive; directors reach objects moved by compaction (facades made after it).
  # Only the objects' call lists are kept here.
  def test_callback_objects_stay_alive_and_in_place
    logs = []
    recording = -> { OrvaxTest::RecordingCallbacks.new.tap { |object| logs << object.calls } }
    facades = Array.new(5) { ORVAX::MyNativeClass.new(recording.call) }
    objects = Array.new(50) { recording.call }
    GC.start(full_mark: true, immediate_sweep: true)
    compacting = GC.respond_to?(:verify_compaction_references) && !ENV['ORVAX_GC_STRESS']
    GC.verify_compaction_references(toward: :empty, double_heap: true) if compacting
    facades += objects.map { |object| ORVAX::MyNativeClass.new(object) }
    facades.each_with_index { |facade, i| facade.bkPopUpMessage("m#{i}") }
    assert_equal Array.new(55) { |i| [[:RubyMessageBox, "m#{i}"]] }, logs
  end

  # Scripts cannot reach what native holders refer to.
  def test_holders_are_out_of_reach
    vector = ORVAX::IntVector.new([1, 2])
    iterators = Array.new(3) { vector.begin }
    holders = ObjectSpace.each_object(Hash).select { |h| h.compare_by_identity? && h.key?(vector) }
    assert_equal [[], 3], [holders, iterators.size]
  end

  # References into temporary containers and the iterators their steps give keep their owners.
  def test_references_and_iterators_keep_their_owners
    lists = Array.new(20) { ORVAX::ClippingBox.new.sxXyYzZ }
    bounds = ORVAX::ClippingBoxVector.new([ORVAX::ClippingBox.new]).front.sxXyYzZ
    its = Array.new(30) { |i| ORVAX::IntVector.new([i, i + 1]).begin.next }
    GC.start
    assert_equal [[[0.0] * 6], 6, (1..30).to_a], [lists.map(&:to_a).uniq, bounds.size, its.map(&:value)]
  end
end
