# Objects that native code refers to stay alive while needed (callback objects, container
# owners), and collecting wrappers is safe. The whole file also runs with the collector
# stressed, so it stays small.
require 'orvax_test_helper'

class TestGc < Minitest::Test
  include OrvaxTest::GcStress
  include OrvaxTest::Assertions

  LOG = []

  class Logging < OrvaxTest::RecordingCallbacks
    def initialize(tag); super(); @tag = tag; end
    def record(name, *args); LOG << [@tag, name, *args]; nil; end
  end

  def setup
    super
    LOG.clear
  end

  # The facade refers to its callback object's native side only: the Ruby object must
  # be kept alive by the facade.
  def test_facade_keeps_its_callback_object_alive
    facades = Array.new(5) { |i| ORVAX::MyNativeClass.new(Logging.new(i)) }
    GC.start(full_mark: true, immediate_sweep: true)
    GC.compact if GC.respond_to?(:compact) && !ENV['ORVAX_GC_STRESS']
    facades.each_with_index { |facade, i| facade.bkPopUpMessage("m#{i}") }
    assert_equal Array.new(5) { |i| [i, :RubyMessageBox, "m#{i}"] }, LOG
  end

  # Callback objects that no facade holds yet, moved by a compaction that moves every
  # object it can: their directors still reach them, also through facades made after.
  def test_callback_objects_stay_where_their_directors_expect_them
    skip 'no compaction here' unless GC.respond_to?(:verify_compaction_references) && !ENV['ORVAX_GC_STRESS']
    objects = Array.new(50) { |i| Logging.new(i) }
    GC.verify_compaction_references(toward: :empty, double_heap: true)
    objects.each { |object| ORVAX::MyNativeClass.new(object).updateView }
    assert_equal Array.new(50) { |i| [i, :updateView] }, LOG
  end

  # What native holders refer to is out of reach of scripts: freezing or emptying every
  # Hash that mentions a container changes nothing for its iterators' release.
  def test_value_references_are_out_of_reach_of_scripts
    skip 'runs in a child interpreter' if ENV['ORVAX_GC_STRESS']
    out, err, status = OrvaxTest.run_ruby(<<~'RUBY')
      $LOAD_PATH.unshift(ENV['ORVAX_LIB'])
      require 'ORVAX'
      vector = ORVAX::IntVector.new([1, 2])
      iterators = Array.new(3) { vector.begin }
      ObjectSpace.each_object(Hash) do |hash|
        next unless hash.compare_by_identity? && hash.key?(vector)

        hash.clear
        hash.freeze
        puts 'reached'
      end
      iterators.clear
      3.times { GC.start(full_mark: true, immediate_sweep: true) }
      puts vector.to_a.inspect
    RUBY
    assert_equal ["[1, 2]\n", '', true], [out, err, status.success?]
  end

  # Facades that go away, also right after being the one that refreshed the binding.
  def test_collecting_facades
    10.times do |i|
      facade = ORVAX::MyNativeClass.new(Logging.new(i))
      facade.setPointSize(i)
      facade.getNameVector
    end
    GC.start
    facade = ORVAX::MyNativeClass.new(Logging.new(:last))
    assert_equal [nil, []], [facade.setPointSize(1), facade.getNameVector]
  end

  def test_errors_and_results_under_pressure
    raising = Class.new(OrvaxTest::RecordingCallbacks) do
      def RubyMessageBox(message); raise(ArgumentError, "script says #{message}"); end
      def getSectionPlanes; Array.new(50) { |i| i * 0.5 }; end
    end.new
    facade = ORVAX::MyNativeClass.new(raising)
    assert_raises_message(TypeError, OrvaxTest.type_message('int', 'setPointSize', 2, 'x' * 40)) { facade.setPointSize('x' * 40) }
    assert_raises_message(ArgumentError, 'wrong # of arguments(2 for 0)') { facade.updateView(1, 2) }
    assert_raises_message(TypeError, 'double') { facade.addScene([1, :x], 't') }
    assert facade.getClippingBoxFromDepth(*Array.new(13, 1)).frozen?
    raising.yes_no_answer = 'not an int'
    assert_raises(TypeError) { facade.bkPopUpOKQuestionMessage('q') }
    raising.yes_no_answer = 5
    assert facade.bkPopUpOKQuestionMessage('q')
    raising = nil
    assert_equal 'script says no', assert_raises(ArgumentError) { facade.bkPopUpMessage('no') }.message
    assert_equal Array.new(50) { |i| i * 0.5 }, facade.getSectionPlanes
  end

  # Every error the extension raises must survive a collection between its creation and
  # the raise. Run in a fresh process so a crash is reported as a failure here.
  def test_raised_errors_survive_collection
    out, err, status = OrvaxTest.run_ruby(<<~RUBY)
      $LOAD_PATH.unshift(ENV['ORVAX_LIB'])
      require 'ORVAX'
      class Bare < ORVAX::INativeToRuby; end
      facade = ORVAX::MyNativeClass.new(Bare.new)
      GC.stress = true
      seen = [-> { facade.setPointSize('x') }, -> { facade.updateView(1) }, -> { facade.updateView }].map do |call|
        call.call
      rescue Exception => e
        e.class.name
      end
      GC.stress = false
      print seen.join(',')
    RUBY
    assert_equal [true, 'TypeError,ArgumentError,RuntimeError'], [status.success?, out], err.lines.first(3).join
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
    assert_equal [[[0.0] * 6], (1..30).to_a], [lists.map(&:to_a).uniq, its.map(&:value)]
    assert_equal [6, 2, 'b', [1.5], %w[z a b q q], { 'k' => 'v' }, [2.0], 'SWIG::TYPE_p_SectionPlane'],
                 [bounds.size, it.value, keys.next.value, same.to_a, v.to_a, ORVAX::StringStringMap.new('k' => 'v').to_hash,
                  ORVAX::DoubleVector.new([1.0]).map_bang { |x| x * 2 }.to_a, ORVAX::SectionPlaneVector.new(1)[0].class.name]
  end
end
