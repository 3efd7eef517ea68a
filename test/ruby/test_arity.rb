# Every method checks its argument count first, before receiver, arguments or abstract class.
require 'orvax_test_helper'

class TestArity < Minitest::Test
  include OrvaxTest::Assertions

  BOX = %i[sSectionVector sxXyYzZ mSumBBMinnMax mClippingBoxEnabled mClippingBoxVisible]
        .flat_map { |n| [[n, 0], [:"#{n}=", 1]] } + [[:get_Enabled, 0], [:get_Visible, 0]]

  def test_every_method_counts_first
    calls = [[OrvaxTest.facade, OrvaxTest::FACADE_ARITIES], [Class.new(ORVAX::INativeToRuby).new, OrvaxTest::CALLBACK_ARITIES],
             [ORVAX::ClippingBox.new, BOX]].flat_map do |object, arities|
      arities.reject { |name, _| name == :initialize }.flat_map do |name, expected|
        [expected + 1, expected - 1].reject(&:negative?).map { |given| [-> { object.public_send(name, *Array.new(given)) }, given, expected, name] }
      end
    end
    callbacks = OrvaxTest::RecordingCallbacks.new
    empty = ORVAX::MyNativeClass.allocate
    calls += [[-> { empty.getClippingBoxFromDepth(*Array.new(12)) }, 12, 13], [-> { empty.nativeSleep(1) }, 1, 0],
              [-> { ORVAX::INativeToRuby.new(1, 2) }, 2, 0], [-> { ORVAX::MyNativeClass.new }, 0, 1],
              [-> { ORVAX::MyNativeClass.new(callbacks, callbacks) }, 2, 1], [-> { Class.new(ORVAX::INativeToRuby).new(1) }, 1, 0],
              [-> { ORVAX::ClippingBox.new(1) }, 1, 0], [-> { ORVAX.disown_INativeToRuby }, 0, 1],
              [-> { ORVAX.disown_INativeToRuby(nil, nil) }, 2, 1]]
    calls.each { |call, given, expected, name| assert_raises_message(ArgumentError, "wrong # of arguments(#{given} for #{expected})", name, &call) }
  end
end
