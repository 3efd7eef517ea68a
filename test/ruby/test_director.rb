# Calls from native code into the script's callback object, and their errors. Also run stressed.
require 'orvax_test_helper'

class TestDirector < Minitest::Test
  include OrvaxTest::WithFacade
  include OrvaxTest::GcStress
  class Failure < StandardError; end

  PURE = 'SWIG director pure virtual method called INativeToRuby::'
  # Facade method, its arguments, and the operation it reaches on the callback object.
  REACHING = OrvaxTest::FACADE.select(&:reaches).map { |m| [m.name, m.args, m.reaches] }.freeze

  # A missing override raises, reached through the facade or super; arguments convert first.
  def test_every_operation_reaches_the_script_or_its_missing_override
    results = REACHING.map { |name, args, _| @facade.public_send(name, *args) }
    assert_equal REACHING.map { |name, *| { getSectionPlanes: [], bkPopUpOKQuestionMessage: true }[name] }, results
    assert_equal REACHING.map { |_, _, op| op }, @callbacks.calls.map(&:first)
    facade = ORVAX::MyNativeClass.new(bare = Class.new(ORVAX::INativeToRuby).new)
    REACHING.each { |name, args, operation| assert_raises_message(RuntimeError, PURE + operation.to_s, name) { facade.public_send(name, *args) } }
    assert_raises_message(ArgumentError, OrvaxTest.null_message('std::string const &', 'RubyMessageBox', 2)) { bare.RubyMessageBox(nil) }
    calling_super = Class.new(ORVAX::INativeToRuby) { def updateView; super; end }.new
    assert_raises_message(RuntimeError, "#{PURE}updateView") { ORVAX::MyNativeClass.new(calling_super).updateView }
  end

  def test_results_from_the_script
    answers = [1, -1, 0, 2**31 - 1, -2**31].map { |answer| @callbacks.yes_no_answer = answer; @facade.bkPopUpOKQuestionMessage('q?') }
    assert_equal [true, true, false, true, true], answers
    @callbacks.section_planes = planes = [1, 2.5, 2**53]
    result = @facade.getSectionPlanes
    assert_equal [planes.map(&:to_f), true, true, false], [result, result.all?(Float), result.frozen?, result.equal?(planes)]
    [[:yes_no_answer=, [true, false, nil, 1.0, '1', 2**40, -2**31 - 1, [1]], 'int', :bkPopUpOKQuestionMessage, 'q'],
     [:section_planes=, [nil, 'x', 1.5, {}, @facade], 'std::vector< double,std::allocator< double > >', :getSectionPlanes]]
      .each do |setter, answers, type, name, *args|
      answers.each do |a|
        @callbacks.public_send(setter, a)
        assert_raises_message(TypeError, "SWIG director type mismatch in output value of type '#{type}'", a.inspect) { @facade.send(name, *args) }
      end
    end
  end

  # Exceptions and throws leave a callback unchanged and leave nothing behind.
  def test_script_exits_pass_through_unchanged
    failure = Failure.new('from the script')
    exiting = Class.new(OrvaxTest::RecordingCallbacks) do
      define_method(:RubyMessageBox) { |_| raise failure }
      define_method(:RubyYesNoBox) { |_| raise Interrupt }
      define_method(:getSectionPlanes) { throw :out, 42 }
    end.new
    facade = ORVAX::MyNativeClass.new(exiting)
    assert_same failure, assert_raises(Failure) { facade.bkPopUpMessage('x') }
    assert_raises(Interrupt) { facade.bkPopUpOKQuestionMessage('x') }
    assert_equal [42, nil, nil, [[:updateView]]],
                 [catch(:out) { facade.getSectionPlanes; :not_thrown }, facade.updateView, $!, exiting.calls]
  end

  # Disowned objects stay usable; initializing again keeps them usable, and a facade takes the new one.
  def test_disown_and_initialize_again
    assert_equal [nil] * 4, [@callbacks, @callbacks, nil].map { |c| ORVAX.disown_INativeToRuby(c) } << @facade.updateView
    @callbacks.send(:initialize)
    assert_nil @facade.updateView
    @facade.send(:initialize, other = OrvaxTest::RecordingCallbacks.new)
    @facade.updateView
    assert_equal [[[:updateView]]] * 2, [@callbacks.calls, other.calls]
    # A failed initialize leaves the facade with its first callback object (kept alive: test_gc).
    frozen = ORVAX::MyNativeClass.new(first = OrvaxTest::RecordingCallbacks.new).freeze
    assert_raises(FrozenError) { frozen.send(:initialize, OrvaxTest::RecordingCallbacks.new) }
    frozen.updateView
    assert_equal [[:updateView]], first.calls
  end
end
