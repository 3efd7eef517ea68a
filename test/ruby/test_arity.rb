# Every method checks its own argument count first, before its receiver or arguments are
# looked at: one argument too many or too few raises ArgumentError naming both counts.
require 'orvax_test_helper'

class TestArity < Minitest::Test
  include OrvaxTest::Assertions

  def message(given, expected)
    "wrong # of arguments(#{given} for #{expected})"
  end

  def check_counts(object, arities)
    arities.each do |name, expected|
      next if name == :initialize
      [expected + 1, expected - 1].each do |given|
        next if given.negative?
        assert_raises_message(ArgumentError, message(given, expected), "#{name} with #{given}") do
          object.public_send(name, *Array.new(given))
        end
      end
    end
  end

  def test_facade_callback_and_clipping_box_methods
    check_counts(OrvaxTest.facade, OrvaxTest::FACADE_ARITIES)
    check_counts(Class.new(ORVAX::INativeToRuby).new, OrvaxTest::CALLBACK_ARITIES)
    check_counts(ORVAX::ClippingBox.new,
                 %i[sSectionVector sxXyYzZ mSumBBMinnMax mClippingBoxEnabled mClippingBoxVisible]
                   .flat_map { |n| [[n, 0], [:"#{n}=", 1]] } + [[:get_Enabled, 0], [:get_Visible, 0]])
  end

  # The count comes before the receiver: an empty wrapper reports the count too; and
  # before the abstract-class test.
  def test_count_checked_first
    empty = ORVAX::MyNativeClass.allocate
    assert_raises_message(ArgumentError, message(12, 13)) { empty.getClippingBoxFromDepth(*Array.new(12)) }
    assert_raises_message(ArgumentError, message(1, 0)) { empty.nativeSleep(1) }
    assert_raises_message(ArgumentError, message(2, 0)) { ORVAX::INativeToRuby.new(1, 2) }
  end

  def test_constructors_and_disown
    callbacks = OrvaxTest::RecordingCallbacks.new
    [[-> { ORVAX::MyNativeClass.new }, 0, 1], [-> { ORVAX::MyNativeClass.new(callbacks, callbacks) }, 2, 1],
     [-> { Class.new(ORVAX::INativeToRuby).new(1) }, 1, 0], [-> { ORVAX::ClippingBox.new(1) }, 1, 0],
     [-> { ORVAX.disown_INativeToRuby }, 0, 1], [-> { ORVAX.disown_INativeToRuby(nil, nil) }, 2, 1]]
      .each { |call, given, expected| assert_raises_message(ArgumentError, message(given, expected), &call) }
  end
end
