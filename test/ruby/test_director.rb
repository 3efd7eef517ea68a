# Calls from native code into the script's callback object, and their errors.
require 'orvax_test_helper'

class TestDirector < Minitest::Test
  include OrvaxTest::Assertions

  class Bare < ORVAX::INativeToRuby; end
  class Failure < StandardError; end

  PURE = 'SWIG director pure virtual method called INativeToRuby::'
  INT_MISMATCH = "SWIG director type mismatch in output value of type 'int'"
  VECTOR_MISMATCH = "SWIG director type mismatch in output value of type 'std::vector< double,std::allocator< double > >'"
  # Facade method, its arguments, and the operation it reaches on the callback object.
  REACHING = OrvaxTest::FACADE.select(&:reaches).map { |m| [m.name, m.args, m.reaches] }.freeze

  def setup
    @callbacks = OrvaxTest::RecordingCallbacks.new
    @facade = ORVAX::MyNativeClass.new(@callbacks)
  end

  def test_every_operation_reaches_the_script
    REACHING.each do |name, args, _|
      result = @facade.public_send(name, *args)
      assert_nil result, name unless %i[getSectionPlanes bkPopUpOKQuestionMessage].include?(name)
    end
    assert_equal REACHING.map { |_, _, op| op }, @callbacks.calls.map(&:first)
  end

  # Calling a missing override, directly, through the facade or through super, raises;
  # arguments are converted first.
  def test_missing_overrides
    error = assert_raises(NameError) { ORVAX::INativeToRuby.new }
    assert_equal [NameError, 'accessing abstract class or protected constructor'], [error.class, OrvaxTest.plain_message(error)]
    bare = Bare.new
    facade = ORVAX::MyNativeClass.new(bare)
    REACHING.each do |name, args, operation|
      assert_raises_message(RuntimeError, PURE + operation.to_s, name) { facade.public_send(name, *args) }
    end
    [[:RubyMessageBox, 'x'], [:updateSceneObserver, 'x'], [:callAnalytics_Initialization, 'a', 1, 'b', 'c', 'd', 'e', 'f']]
      .each { |name, *args| assert_raises_message(RuntimeError, "#{PURE}#{name}") { bare.public_send(name, *args) } }
    assert_raises_message(ArgumentError, OrvaxTest.null_message('std::string const &', 'RubyMessageBox', 2)) { bare.RubyMessageBox(nil) }
    assert_raises_message(TypeError, OrvaxTest.type_message('unsigned long long', 'callAnalytics_Initialization', 3, -1.0)) do
      bare.callAnalytics_Initialization('a', -1.0, 'b', 'c', 'd', 'e', 'f')
    end
    calling_super = Class.new(ORVAX::INativeToRuby) { def updateView; super; end }.new
    assert_raises_message(RuntimeError, "#{PURE}updateView") { ORVAX::MyNativeClass.new(calling_super).updateView }
  end

  # What the script answers, and the result or the exact mismatch error.
  def test_results_from_the_script
    [[1, true], [-1, true], [0, false], [2**31 - 1, true], [-2**31, true]].each do |answer, expected|
      @callbacks.yes_no_answer = answer
      assert_equal expected, @facade.bkPopUpOKQuestionMessage('q?'), answer
    end
    [true, false, nil, 1.0, '1', 2**40, -2**31 - 1, [1]].each do |answer|
      @callbacks.yes_no_answer = answer
      assert_raises_message(TypeError, INT_MISMATCH, answer.inspect) { @facade.bkPopUpOKQuestionMessage('q') }
    end
    [[], [1, 2.5, 2**53]].each do |planes|
      @callbacks.section_planes = planes
      result = @facade.getSectionPlanes
      assert_equal [planes.map(&:to_f), true, true, false], [result, result.all?(Float), result.frozen?, result.equal?(planes)]
    end
    [nil, 'x', 1.5, {}, @facade].each do |planes|
      @callbacks.section_planes = planes
      assert_raises_message(TypeError, VECTOR_MISMATCH, planes.inspect) { @facade.getSectionPlanes }
    end
  end

  # Exceptions, throw and break leave a callback unchanged and leave nothing behind.
  def test_script_exceptions_pass_through_unchanged
    failure = Failure.new('from the script')
    raising = Class.new(OrvaxTest::RecordingCallbacks) do
      define_method(:RubyMessageBox) { |_| raise failure }
      define_method(:RubyYesNoBox) { |_| raise Interrupt }
    end.new
    facade = ORVAX::MyNativeClass.new(raising)
    assert_same failure, assert_raises(Failure) { facade.bkPopUpMessage('x') }
    assert_raises(Interrupt) { facade.bkPopUpOKQuestionMessage('x') }
    # A wrong signature in the script is the script's own ArgumentError.
    short = Class.new(OrvaxTest::RecordingCallbacks) { def RubyMessageBox; end }.new
    assert_raises(ArgumentError) { ORVAX::MyNativeClass.new(short).bkPopUpMessage('x') }
    assert_equal [nil, nil], [facade.updateView, $!]
  end

  def test_throw_and_break
    exiting = Class.new(OrvaxTest::RecordingCallbacks) { def getSectionPlanes; throw :out, 42; end }.new
    facade = ORVAX::MyNativeClass.new(exiting)
    result = [1, 2, 3].each do |i|
      facade.updateHtml
      break i * 10 if i == 2
    end
    assert_equal [20, [[:updateHtml]] * 2], [result, exiting.calls]
    assert_equal 42, catch(:out) { facade.getSectionPlanes; :not_thrown }
    assert_nil $!
  end

  # Disowning leaves the object usable and owned by its Ruby object; initializing again
  # keeps the callback object usable, and a facade takes the new one.
  def test_disown_and_reinitialize
    assert_equal [nil] * 4, [@callbacks, @callbacks, nil].map { |c| ORVAX.disown_INativeToRuby(c) } << @facade.updateView
    [3, 'x', @facade].each do |value|
      assert_raises_message(TypeError, OrvaxTest.type_message('INativeToRuby *', 'disown_INativeToRuby', 1, value)) do
        ORVAX.disown_INativeToRuby(value)
      end
    end
    @callbacks.send(:initialize)
    assert_nil @facade.updateView
    other = OrvaxTest::RecordingCallbacks.new
    @facade.send(:initialize, other)
    @facade.updateView
    assert_equal [[[:updateView]]] * 2, [@callbacks.calls, other.calls]
  end

  # A re-initialize that fails must leave the facade as it was: its callback object
  # still the first one, and still kept alive.
  def test_failed_reinitialize_changes_nothing
    out, err, status = OrvaxTest.run_ruby(<<~RUBY)
      $LOAD_PATH.unshift(ENV['ORVAX_LIB'])
      require 'ORVAX'
      class Tagged < ORVAX::INativeToRuby
        def initialize(tag); super(); @tag = tag; end
        def updateView; print(@tag); end
      end
      facade = ORVAX::MyNativeClass.new(Tagged.new('first'))
      facade.freeze
      begin; facade.send(:initialize, Tagged.new('second')); rescue FrozenError; print 'frozen;'; end
      3.times { GC.start; Array.new(1000) { Tagged.new('filler') } }
      facade.updateView
    RUBY
    assert_equal [true, 'frozen;first'], [status.success?, out], err.lines.first(3).join
  end
end
