# Conversion of Ruby values to native ones and back, with the exact errors.
require 'orvax_test_helper'

class TestConversions < Minitest::Test
  include OrvaxTest::Assertions

  def setup
    @callbacks = OrvaxTest::RecordingCallbacks.new
    @facade = ORVAX::MyNativeClass.new(@callbacks)
  end

  def msg(type, method, position, value)
    OrvaxTest.type_message(type, method, position, value)
  end

  def test_int_limits
    assert_equal [nil, nil], [@facade.setPointSize(2**31 - 1), @facade.setPointSize(-2**31)]
    # Out of range is a type error (the interpreter's range error is swallowed).
    [2**31, -2**31 - 1, 2**64, 2**100, 3.5, 3.0, '3', nil, true, :a].each do |value|
      assert_raises_message(TypeError, msg('int', 'setPointSize', 2, value)) { @facade.setPointSize(value) }
    end
  end

  def test_long_long_limits
    assert_equal [nil] * 4, [2**31, 2**63 - 1, -2**63].map { |v| @facade.setBKVersion(v) } << @facade.initConnect(-5)
    [2**63, -2**63 - 1, 1.0, '1'].each do |value|
      assert_raises_message(TypeError, msg('long long', 'setBKVersion', 2, value)) { @facade.setBKVersion(value) }
    end
    assert_raises_message(TypeError, msg('long long', 'initConnect', 2, 'x')) { @facade.initConnect('x') }
  end

  def analytics(number)
    @facade.callAnalytics_Initialization('a', number, 'b', 'c', 'd', 'e', 'f')
  end

  def test_unsigned_long_long
    assert_equal [nil, nil], [analytics(2**64 - 1), analytics(0)]
    assert_equal [[:callAnalytics_Initialization, 'a', 2**64 - 1, 'b', 'c', 'd', 'e', 'f'],
                  [:callAnalytics_Initialization, 'a', 0, 'b', 'c', 'd', 'e', 'f']], @callbacks.calls
    [2**64, 1.0, '1', nil].each do |value|
      assert_raises_message(TypeError, msg('unsigned long long', 'callAnalytics_Initialization', 3, value)) do
        analytics(value)
      end
    end
    assert_equal 2, @callbacks.calls.size, 'failed conversions call nothing'
  end

  def test_double
    assert_equal [nil] * 3, [1, 2**70, -0.5].map { |v| @facade.setTransparency(v) }
    ['1.0', nil, true, Object.new].each do |value|
      assert_raises_message(TypeError, msg('double', 'setTransparency', 2, value)) { @facade.setTransparency(value) }
    end
  end

  def test_float_range
    [3.4028234663852886e38, -3.4028234663852886e38, Float::INFINITY, -Float::INFINITY, Float::NAN, 1, 0.1].each do |value|
      assert_nil @facade.scalePointCloud(value), value.to_s
    end
    [1e39, -1e39, 2**200].each do |value|
      assert_raises_message(RangeError, msg('float', 'scalePointCloud', 2, value)) { @facade.scalePointCloud(value) }
      assert_raises_message(RangeError, msg('float', 'ComputeCellNb', 2, value)) { @facade.ComputeCellNb(value) }
    end
    assert_raises_message(TypeError, msg('float', 'scalePointCloud', 2, '1')) { @facade.scalePointCloud('1') }
  end

  def test_bool
    [[true, true], [false, false], [0, false], [7, true], [-1, true], [2**70, true]].each do |given, seen|
      @facade.point_cloud_loaded('x', given)
      assert_equal [:point_cloud_loaded, 'x', seen], @callbacks.calls.last, given.inspect
    end
    [nil, 1.0, 0.0, 'true', :true].each do |value|
      assert_raises_message(TypeError, msg('bool', 'setSceneIsMoving', 2, value)) { @facade.setSceneIsMoving(value) }
    end
  end

  def test_strings_keep_their_bytes
    texts = ["a\0b\0", [0xFF, 0xFE].pack('C*'), "é\u0000ü", '', 'x' * 100_000]
    texts.each do |text|
      @facade.bkPopUpMessage(text)
      @facade.callAnalytics_pointCloudLoaded(text)
    end
    seen = @callbacks.calls.map(&:last)
    assert_equal texts.flat_map { |t| [t.b, t.b] }, seen
    assert_equal [[Encoding::ASCII_8BIT, false]], seen.map { |r| [r.encoding, r.frozen?] }.uniq
    assert_equal [Encoding::ASCII_8BIT] * 2, [@facade.GetOutputJSon, @facade.getLoadedCloudName].map(&:encoding)
  end

  def test_inspect_cut_to_30_bytes
    # An inspection text of exactly 30 bytes is shown whole.
    { 'a' * 40 => "\"#{'a' * 29}...", 'b' * 28 => "\"#{'b' * 28}\"" }.each do |value, shown|
      assert_raises_message(TypeError, "Expected argument 1 of type int, but got String #{shown}\n\tin SWIG method 'setPointSize'") do
        @facade.setPointSize(value)
      end
    end
    assert_includes assert_raises(TypeError) { @facade.setPointSize([1] * 20) }.message, "Array #{([1] * 20).inspect[0, 30]}...\n"
  end

  # A value whose inspect is not at all like its class still shows the class name.
  def test_message_names_class_and_inspect
    value = Class.new { def inspect; '<<custom>>'; end }.new
    error = assert_raises(TypeError) { @facade.setPointSize(value) }
    assert_match(/\AExpected argument 1 of type int, but got #<Class:0x\h+> <<custom>>\n\tin SWIG method 'setPointSize'\z/,
                 error.message)
  end

  def test_null_references
    s = 'std::string const &'
    [[s, :bkPopUpMessage, [nil], 2], [s, :bkPopUpOKQuestionMessage, [nil], 2], [s, :LoadMultiPointCloud, [nil], 2],
     [s, :addScene, [[1.0], nil], 3], [OrvaxTest::DOUBLES, :addScene, [nil, 'x'], 2],
     ['std::wstring', :updateSceneObserver, [nil], 2]].each do |type, name, args, position|
      assert_raises_message(ArgumentError, OrvaxTest.null_message(type, name, position), name) do
        @facade.public_send(name, *args)
      end
    end
    assert_raises_message(ArgumentError, OrvaxTest.null_message('INativeToRuby &', 'MyNativeClass', 1)) do
      ORVAX::MyNativeClass.new(nil)
    end
    assert_empty @callbacks.calls
  end

  def test_by_value_strings_refuse_nil_as_type_error
    [[:point_cloud_loaded, [nil, true], 'std::string', 2],
     *%i[callAnalytics_pointCloudLoaded callAnalytics_errorMessageEngagement callAnalytics_closeApplication]
       .map { |name| [name, [nil], 'std::string', 2] },
     [:callAnalytics_Initialization, ['a', 1, 'b', 'c', 'd', 'e', nil], 'std::string', 8],
     [:AddPointCloud, [nil, 'x'], 'std::string const', 2],
     [:AddPointCloud, ['x', nil], 'std::string const', 3]].each do |name, args, type, position|
      assert_raises_message(TypeError, msg(type, name, position, nil), name) { @facade.public_send(name, *args) }
    end
    assert_empty @callbacks.calls
  end

  def test_non_strings_refused
    [1, :sym, ['a'], 1.5].each do |value|
      assert_raises_message(TypeError, msg('std::string const &', 'CallBackToRuby', 2, value)) { @facade.CallBackToRuby(value) }
      assert_raises_message(TypeError, msg('std::string', 'callAnalytics_closeApplication', 2, value)) do
        @facade.callAnalytics_closeApplication(value)
      end
    end
    assert_raises_message(TypeError, msg('std::wstring', 'updateSceneObserver', 2, 'text')) { @facade.updateSceneObserver('text') }
    assert_nil @facade.CallBackToRuby('anything')
  end

  def test_sequences_from_arrays
    @facade.addScene([1, 2.5, 2**40], 't')
    values = @callbacks.calls.last[1]
    assert_equal [[1.0, 2.5, 2.0**40], [Float]], [values, values.map(&:class).uniq]
    assert_raises(FrozenError) { values << 3.0 }
    assert_equal [[], []], [@facade.ProcessCloud([1, 2.5], 'x'), @facade.ProcessModel([], [3], 'x')]
  end

  def test_sequence_element_failures
    # A bad element: TypeError whose whole message is the element type.
    # Not a sequence at all: the argument error for the container type.
    [['double', :addScene, [1.0, 'x']], ['float', :ProcessCloud, [1, nil]], ['float', :ProcessCloud, [1e39]],
     [msg(OrvaxTest::DOUBLES, 'addScene', 2, 'x'), :addScene, 'x'], [msg(OrvaxTest::FLOATS, 'ProcessCloud', 2, 1.5), :ProcessCloud, 1.5],
     [msg(OrvaxTest::FLOATS, 'ProcessCloud', 2, @facade), :ProcessCloud, @facade]].each do |message, name, first|
      assert_raises_message(TypeError, message, name) { @facade.public_send(name, first, 't') }
    end
    assert_empty @callbacks.calls
  end

  def test_wrong_wrapped_objects
    other = ORVAX::MyNativeClass.new(@callbacks)
    assert_raises_message(TypeError, msg('INativeToRuby &', 'MyNativeClass', 1, other)) { ORVAX::MyNativeClass.new(other) }
    # A type tag that the expected type does not accept.
    @callbacks.instance_variable_set(:@__swigtype__, '_p_bogus')
    assert_kind_of ORVAX::MyNativeClass, ORVAX::MyNativeClass.new(@callbacks), 'the class decides first'
    other.instance_variable_set(:@__swigtype__, '_p_bogus')
    assert_raises_message(TypeError, msg('INativeToRuby &', 'MyNativeClass', 1, other)) { ORVAX::MyNativeClass.new(other) }
    other.instance_variable_set(:@__swigtype__, 42)
    assert_raises(TypeError) { ORVAX::MyNativeClass.new(other) }
  end

  # Ruby code can retag any object; the tag must never make one native type pass for
  # another. Wrappers of the extension's classes are judged by their class, the
  # interpreter's own data objects are never wrappers.
  def test_retagged_objects_cannot_pass_for_other_types
    box = ORVAX::ClippingBox.new
    plane = ORVAX::SectionPlaneVector.new(1)[0]
    iterator = ORVAX::DoubleVector.new([1.0]).begin
    [box, plane, Thread::Mutex.new, proc {}, Time.now, @facade].each do |object|
      object.instance_variable_set(:@__swigtype__, '_p_INativeToRuby')
      assert_raises_message(TypeError, msg('INativeToRuby &', 'MyNativeClass', 1, object)) { ORVAX::MyNativeClass.new(object) }
      assert_raises_message(TypeError, OrvaxTest.type_message('INativeToRuby *', 'disown_INativeToRuby', 1, object)) do
        ORVAX.disown_INativeToRuby(object)
      end
    end
    plane.instance_variable_set(:@__swigtype__, '_p_ClippingBox')
    assert_raises(TypeError) { ORVAX::ClippingBoxVector.new.push(plane) }
    # Also a wrapper that refers into another object (a box's own list).
    holder = ORVAX::ClippingBox.new
    bounds = holder.sxXyYzZ
    bounds.instance_variable_set(:@__swigtype__, '_p_std__vectorT_int_std__allocatorT_int_t_t')
    ints = ORVAX::IntVector.new([9])
    assert_raises(TypeError) { ints.swap(bounds) }
    assert_equal [9], ints.to_a
    iterator.instance_variable_set(:@__swigtype__, '_p_std__wstring')
    assert_raises_message(TypeError, msg('std::wstring', 'updateSceneObserver', 2, iterator)) { @facade.updateSceneObserver(iterator) }
    # A correct tag on the right class changes nothing.
    @callbacks.instance_variable_set(:@__swigtype__, '_p_INativeToRuby')
    assert_nil ORVAX::MyNativeClass.new(@callbacks).updateView
    assert_equal [[:updateView]], @callbacks.calls
  end

  def deleted_class
    ORVAX::MyNativeClass.allocate.isAnyPointCloudLoaded
  rescue RuntimeError => e
    e.class
  end

  def test_previously_deleted_receivers
    klass = deleted_class
    assert_equal 'ObjectPreviouslyDeleted', klass.name
    empty = ORVAX::MyNativeClass.allocate
    [*%i[isAnyPointCloudLoaded getNameVector updateView GetOutputJSon getThickness].map { |n| [n] }, [:setPointSize, 1]]
      .each do |name, *args|
      assert_raises_message(klass, msg('MyNativeClass *', name, 1, empty), name) { empty.public_send(name, *args) }
    end
    assert_equal RuntimeError, klass.superclass
    # The receiver is converted before the arguments.
    assert_raises(klass) { empty.setPointSize('not an int') }
  end

  def test_previously_deleted_arguments
    klass = deleted_class
    empty = ORVAX::INativeToRuby.allocate
    assert_raises_message(klass, msg('INativeToRuby &', 'MyNativeClass', 1, empty)) { ORVAX::MyNativeClass.new(empty) }
    assert_raises_message(klass, msg('INativeToRuby *', 'RubyMessageBox', 1, empty)) { empty.RubyMessageBox('x') }
  end
end
