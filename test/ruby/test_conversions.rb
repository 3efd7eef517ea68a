# Conversion of Ruby values to native ones and back, with the exact errors.
require 'orvax_test_helper'

class TestConversions < Minitest::Test
  include OrvaxTest::WithFacade

  MAX_FLOAT = 3.4028234663852886e38
  # Method, type, accepted, refused (TypeError, also out of range for integers, or the class given).
  LIMITS = [
    [:setPointSize, 'int', [2**31 - 1, -2**31], [2**31, -2**31 - 1, 2**64, 2**100, 3.0, '3', nil, true, :a]],
    [:setBKVersion, 'long long', [2**31, 2**63 - 1, -2**63], [2**63, -2**63 - 1, 1.0, '1']],
    [:setTransparency, 'double', [1, 2**70, -0.5], ['1.0', nil, true, Object.new]],
    [:setSceneIsMoving, 'bool', [true, 0], [nil, 1.0, 0.0, 'true', :true]],
    [:scalePointCloud, 'float', [MAX_FLOAT, -MAX_FLOAT, Float::INFINITY, -Float::INFINITY, Float::NAN, 1, 0.1],
     ['1', [1e39, RangeError], [-1e39, RangeError], [2**200, RangeError]]],
    [:ComputeCellNb, 'float', [], [[1e39, RangeError], [-2**200, RangeError]]]
  ].freeze

  def msg(type, method, position, value); OrvaxTest.type_message(type, method, position, value); end

  def refused(klass, type, name, position, args)
    assert_raises_message(klass, msg(type, name, position, args[position - 2]), name) { @facade.public_send(name, *args) }
  end

  def test_number_and_bool_limits
    LIMITS.each do |name, type, good, bad|
      good.each { |value| assert_nil @facade.public_send(name, value), "#{name} #{value}" }
      bad.each { |value, klass| refused(klass || TypeError, type, name, 2, [value]) }
    end
    analytics = ->(number) { ['a', number, 'b', 'c', 'd', 'e', 'f'] }
    [2**64 - 1, 0].each { |value| assert_nil @facade.callAnalytics_Initialization(*analytics.call(value)) }
    [2**64, 1.0, '1', nil].each { |value| refused(TypeError, 'unsigned long long', :callAnalytics_Initialization, 3, analytics.call(value)) }
    [false, 7, -1, 2**70, true, 0].each { |given| @facade.point_cloud_loaded('x', given) }
    assert_equal [2**64 - 1, 0, false, true, true, true, true, false], @callbacks.calls.map { |call| call[2] }, 'failed conversions call nothing'
  end

  # An inspection text of exactly 30 bytes is shown whole; a custom inspect still shows the class.
  def test_strings_keep_their_bytes_and_values_are_shown_short
    texts = ["a\0b\0", [0xFF, 0xFE].pack('C*'), "é\u0000ü", '', 'x' * 100_000]
    texts.each { |text| @facade.bkPopUpMessage(text); @facade.callAnalytics_pointCloudLoaded(text) }
    seen = @callbacks.calls.map(&:last)
    assert_equal [texts.flat_map { |t| [t.b, t.b] }, [[Encoding::ASCII_8BIT, false]], [Encoding::ASCII_8BIT] * 2],
                 [seen, seen.map { |r| [r.encoding, r.frozen?] }.uniq, [@facade.GetOutputJSon, @facade.getLoadedCloudName].map(&:encoding)]
    shown = { 'a' * 40 => "\"#{'a' * 29}...", 'b' * 28 => "\"#{'b' * 28}\"" }
    assert_equal shown.values.map { |s| "Expected argument 1 of type int, but got String #{s}\n\tin SWIG method 'setPointSize'" },
                 shown.keys.map { |value| assert_raises(TypeError) { @facade.setPointSize(value) }.message }
    assert_includes assert_raises(TypeError) { @facade.setPointSize([1] * 20) }.message, "Array #{([1] * 20).inspect[0, 30]}...\n"
    value = Class.new { def inspect; '<<custom>>'; end }.new
    assert_match(/\AExpected argument 1 of type int, but got #<Class:0x\h+> <<custom>>\n\tin SWIG method 'setPointSize'\z/,
                 assert_raises(TypeError) { @facade.setPointSize(value) }.message)
  end

  # nil for a reference is a null reference (ArgumentError), for a string taken by value a TypeError. A bad
  # element: TypeError naming the element type; not a sequence: the error for the container type.
  def test_nil_non_strings_and_sequences
    s = 'std::string const &'
    [[s, :bkPopUpMessage, [nil], 2], [s, :bkPopUpOKQuestionMessage, [nil], 2], [s, :LoadMultiPointCloud, [nil], 2],
     [s, :addScene, [[1.0], nil], 3], [OrvaxTest::DOUBLES, :addScene, [nil, 'x'], 2],
     ['std::wstring', :updateSceneObserver, [nil], 2]].each do |type, name, args, position|
      assert_raises_message(ArgumentError, OrvaxTest.null_message(type, name, position), name) { @facade.public_send(name, *args) }
    end
    assert_raises_message(ArgumentError, OrvaxTest.null_message('INativeToRuby &', 'MyNativeClass', 1)) { ORVAX::MyNativeClass.new(nil) }
    [[:point_cloud_loaded, [nil, true], 'std::string', 2],
     *%i[callAnalytics_pointCloudLoaded callAnalytics_errorMessageEngagement callAnalytics_closeApplication]
       .map { |name| [name, [nil], 'std::string', 2] },
     [:callAnalytics_closeApplication, [:sym], 'std::string', 2], [:updateSceneObserver, ['text'], 'std::wstring', 2],
     [:callAnalytics_Initialization, ['a', 1, 'b', 'c', 'd', 'e', nil], 'std::string', 8], [:AddPointCloud, [nil, 'x'], 'std::string const', 2],
     [:AddPointCloud, ['x', nil], 'std::string const', 3], [:addScene, ['x', 't'], OrvaxTest::DOUBLES, 2],
     [:ProcessCloud, [1.5, 't'], OrvaxTest::FLOATS, 2], [:ProcessCloud, [@facade, 't'], OrvaxTest::FLOATS, 2]]
      .each { |name, args, type, position| refused(TypeError, type, name, position, args) }
    [['double', :addScene, [1.0, 'x']], ['float', :ProcessCloud, [1, nil]], ['float', :ProcessCloud, [1e39]],
     ['float', :ProcessCloud, Array.new(40, 0.5) + [1e39] + Array.new(40, 0.5)]].each do |message, name, first|
      assert_raises_message(TypeError, message, name) { @facade.public_send(name, first, 't') }
    end
    assert_empty @callbacks.calls
    @facade.addScene([1, 2.5, 2**40], 't')
    values = @callbacks.calls.last[1]
    assert_equal [[1.0, 2.5, 2.0**40], [Float], true], [values, values.map(&:class).uniq, values.frozen?]
  end

  # A retagged object never passes for another native type: wrappers are judged by their class.
  def test_retagged_and_deleted_objects
    tag = ->(object, type) { object.tap { |o| o.instance_variable_set(:@__swigtype__, type) } }
    other = ORVAX::MyNativeClass.new(@callbacks)
    tag.call(@callbacks, '_p_bogus')
    assert_kind_of ORVAX::MyNativeClass, ORVAX::MyNativeClass.new(@callbacks), 'the class decides first'
    assert_raises(TypeError) { ORVAX::MyNativeClass.new(tag.call(other, 42)) }
    plane = ORVAX::SectionPlaneVector.new(1)[0]
    [other, ORVAX::ClippingBox.new, plane, Thread::Mutex.new, proc {}, Time.now].each do |object|
      tag.call(object, '_p_INativeToRuby')
      assert_raises_message(TypeError, msg('INativeToRuby &', 'MyNativeClass', 1, object)) { ORVAX::MyNativeClass.new(object) }
      assert_raises_message(TypeError, msg('INativeToRuby *', 'disown_INativeToRuby', 1, object)) { ORVAX.disown_INativeToRuby(object) }
    end
    assert_raises(TypeError) { ORVAX::ClippingBoxVector.new.push(tag.call(plane, '_p_ClippingBox')) }
    # Also a wrapper that refers into another object (a box's own list).
    ints = ORVAX::IntVector.new([9])
    assert_raises(TypeError) { ints.swap(tag.call(ORVAX::ClippingBox.new.sxXyYzZ, '_p_std__vectorT_int_std__allocatorT_int_t_t')) }
    refused(TypeError, 'std::wstring', :updateSceneObserver, 2, [tag.call(ORVAX::DoubleVector.new([1.0]).begin, '_p_std__wstring')])
    # A correct tag on the right class changes nothing.
    assert_nil ORVAX::MyNativeClass.new(tag.call(@callbacks, '_p_INativeToRuby')).updateView
    assert_equal [[9], [[:updateView]]], [ints.to_a, @callbacks.calls]
    # A deleted receiver is reported before the arguments.
    empty = ORVAX::MyNativeClass.allocate
    klass = assert_raises(RuntimeError) { empty.isAnyPointCloudLoaded }.class # ObjectPreviouslyDeleted (test_class_tree)
    [[:isAnyPointCloudLoaded], [:getNameVector], [:GetOutputJSon], [:setPointSize, 1], [:setPointSize, 'x']].each do |name, *args|
      assert_raises_message(klass, msg('MyNativeClass *', name, 1, empty), name) { empty.public_send(name, *args) }
    end
    callbacks = ORVAX::INativeToRuby.allocate
    assert_raises_message(klass, msg('INativeToRuby &', 'MyNativeClass', 1, callbacks)) { ORVAX::MyNativeClass.new(callbacks) }
    assert_raises_message(klass, msg('INativeToRuby *', 'RubyMessageBox', 1, callbacks)) { callbacks.RubyMessageBox('x') }
  end
end
