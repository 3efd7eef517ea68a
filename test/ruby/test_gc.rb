# What native code refers to stays alive and in place; collecting wrappers is safe. Also run stressed.
require 'orvax_test_helper'

class TestGc < Minitest::Test
  include OrvaxTest::GcStress

  LOG = []
  class Logging < OrvaxTest::RecordingCallbacks
    def initialize(tag); super(); @tag = tag; end
    def record(name, *args); LOG << [@tag, name, *args]; nil; end
  end

  def setup; super; LOG.clear; end

  # A facade keeps its callback object alive; directors reach objects moved by compaction.
  def test_callback_objects_stay_alive_and_in_place
    facades = Array.new(5) { |i| ORVAX::MyNativeClass.new(Logging.new(i)) }
    GC.start(full_mark: true, immediate_sweep: true)
    GC.compact if GC.respond_to?(:compact) && !ENV['ORVAX_GC_STRESS']
    facades.each_with_index { |facade, i| facade.bkPopUpMessage("m#{i}") }
    assert_equal Array.new(5) { |i| [i, :RubyMessageBox, "m#{i}"] }, LOG
    skip 'no compaction here' unless GC.respond_to?(:verify_compaction_references) && !ENV['ORVAX_GC_STRESS']
    LOG.clear
    objects = Array.new(50) { |i| Logging.new(i) }
    GC.verify_compaction_references(toward: :empty, double_heap: true)
    objects.each { |object| ORVAX::MyNativeClass.new(object).updateView }
    assert_equal Array.new(50) { |i| [i, :updateView] }, LOG
  end

  # Scripts cannot reach what native holders refer to.
  def test_holders_in_a_child_interpreter
    skip 'runs in a child interpreter' if ENV['ORVAX_GC_STRESS']
    assert_equal "[1, 2]\n", ruby_output(<<~'RUBY')
      vector = ORVAX::IntVector.new([1, 2])
      iterators = Array.new(3) { vector.begin }
      ObjectSpace.each_object(Hash) { |h| (h.clear; h.freeze; puts 'reached') if h.compare_by_identity? && h.key?(vector) }
      iterators.clear
      3.times { GC.start(full_mark: true, immediate_sweep: true) }
      puts vector.to_a.inspect
    RUBY
  end

  # Facades that go away, also right after refreshing the binding; errors survive a (stressed) collection before the raise.
  def test_collecting_facades_errors_and_results
    10.times do |i|
      facade = ORVAX::MyNativeClass.new(Logging.new(i))
      facade.setPointSize(i)
      facade.getNameVector
    end
    GC.start
    facade = ORVAX::MyNativeClass.new(Logging.new(:last))
    assert_equal [nil, []], [facade.setPointSize(1), facade.getNameVector]
    bare = ORVAX::MyNativeClass.new(Class.new(ORVAX::INativeToRuby).new)
    [[TypeError, -> { bare.setPointSize('x') }], [ArgumentError, -> { bare.updateView(1) }],
     [RuntimeError, -> { bare.updateView }]].each { |klass, call| assert_raises(klass, &call) }
    raising = Class.new(OrvaxTest::RecordingCallbacks) do
      def RubyMessageBox(message); raise(ArgumentError, "script says #{message}"); end
      def getSectionPlanes; Array.new(50) { |i| i * 0.5 }; end
    end.new
    facade = ORVAX::MyNativeClass.new(raising)
    raising.yes_no_answer = 5
    assert_equal [true, true], [facade.getClippingBoxFromDepth(*Array.new(13, 1)).frozen?, facade.bkPopUpOKQuestionMessage('q')]
    raising = nil
    assert_equal 'script says no', assert_raises(ArgumentError) { facade.bkPopUpMessage('no') }.message
    assert_equal Array.new(50) { |i| i * 0.5 }, facade.getSectionPlanes
  end

  def test_containers_references_and_iterators_keep_their_owners
    lists = Array.new(20) { ORVAX::ClippingBox.new.sxXyYzZ }
    its = Array.new(30) { |i| ORVAX::IntVector.new([i, i + 1]).begin.next }
    bounds = ORVAX::ClippingBoxVector.new([ORVAX::ClippingBox.new]).front.sxXyYzZ
    it = ORVAX::IntVector.new([1, 2, 3]).begin.next
    keys = ORVAX::StringStringMap.new('a' => '1', 'b' => '2').key_iterator
    same = ORVAX::DoubleVector.new([1.5]).each { nil }
    v = ORVAX::StringVector.new(%w[a b])
    v.unshift('z')
    v[4] = 'q'
    GC.start
    assert_equal [[[0.0] * 6], (1..30).to_a, 6, 2, 'b', [1.5], %w[z a b q q], { 'k' => 'v' }, [2.0], 'SWIG::TYPE_p_SectionPlane'],
                 [lists.map(&:to_a).uniq, its.map(&:value), bounds.size, it.value, keys.next.value, same.to_a, v.to_a,
                  ORVAX::StringStringMap.new('k' => 'v').to_hash, ORVAX::DoubleVector.new([1.0]).map_bang { |x| x * 2 }.to_a,
                  ORVAX::SectionPlaneVector.new(1)[0].class.name]
  end
end
