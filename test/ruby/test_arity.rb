# Every method checks its own argument count first, before its receiver or arguments are
# looked at (and before the abstract-class test): one argument too many or too few raises
# ArgumentError naming both counts.
require 'orvax_test_helper'

class TestArity < Minitest::Test
  include OrvaxTest::Assertions

  BOX = %i[sSectionVector sxXyYzZ mSumBBMinnMax mClippingBoxEnabled mClippingBoxVisible]
        .flat_map { |n| [[n, 0], [:"#{n}=", 1]] } + [[:get_Enabled, 0], [:get_Visible, 0]]

  def check(given, expected, note = nil, &call)
    assert_raises_message(ArgumentError, "wrong # of arguments(#{given} for #{expected})", note, &call)
  end

  def test_every_method_counts_first
    [[OrvaxTest.facade, OrvaxTest::FACADE_ARITIES], [Class.new(ORVAX::INativeToRuby).new, OrvaxTest::CALLBACK_ARITIES],
     [ORVAX::ClippingBox.new, BOX]].each do |object, arities|
      arities.each do |name, expected|
        next if name == :initialize
        [expected + 1, expected - 1].reject(&:negative?).each do |given|
          check(given, expected, "#{name} with #{given}") { object.public_send(name, *Array.new(given)) }
        end
      end
    end
    callbacks = OrvaxTest::RecordingCallbacks.new
    empty = ORVAX::MyNativeClass.allocate
    [[-> { empty.getClippingBoxFromDepth(*Array.new(12)) }, 12, 13], [-> { empty.nativeSleep(1) }, 1, 0],
     [-> { ORVAX::INativeToRuby.new(1, 2) }, 2, 0], [-> { ORVAX::MyNativeClass.new }, 0, 1],
     [-> { ORVAX::MyNativeClass.new(callbacks, callbacks) }, 2, 1], [-> { Class.new(ORVAX::INativeToRuby).new(1) }, 1, 0],
     [-> { ORVAX::ClippingBox.new(1) }, 1, 0], [-> { ORVAX.disown_INativeToRuby }, 0, 1],
     [-> { ORVAX.disown_INativeToRuby(nil, nil) }, 2, 1]].each { |call, given, expected| check(given, expected, &call) }
  end
end
