# Conversion of Ruby values to native ones and back, with the exact errors.
require 'orvax_test_helper'

class TestConversions < Minitest::Test
  include OrvaxTest::Assertions

  def setup
    @callbacks = OrvaxTest::RecordingCallbacks.new
    @facade = ORVAX::MyNativeClass.new(@callbacks)
  end

  def msg(type, method, position, value) = OrvaxTest.type_message(type, method, position, value)

  def test_int_limits
    assert_nil @facade.setPointSize(2**31 - 1)
    assert_nil @facade.setPointSize(-2**31)
    # Out of range is a type error (the interpreter's range error is swallowed).
    [2**31, -2**31 - 1, 2**64, 2**100].each do |value|
      assert_raises_message(TypeError, msg('int', 'setPointSize', 2, value)) { @facade.setPointSize(value) }
    end
    [3.5, 3.0, '3', nil, true, :a].each do |value|
      assert_raises_message(TypeError, msg('int', 'setPointSize', 2, value)) { @facade.setPointSize(value) }
    end
  end

  def test_long_long_limits
    assert_nil @facade.setBKVersion(2**31)
    assert_nil @facade.setBKVersion(2**63 - 1)
    assert_nil @facade.setBKVersion(-2**63)
    [2**63, -2**63 - 1, 1.0, '1'].each do |value|
      assert_raises_message(TypeError, msg('long long', 'setBKVersion', 2, value)) { @facade.setBKVersion(value) }
    end
    assert_nil @facade.initConnect(-5)
    assert_raises_message(TypeError, msg('long long', 'initConnect', 2, 'x')) { @facade.initConnect('x') }
  end

  def analytics(number)
    @facade.callAnalytics_Initialization('a', number, 'b', 'c', 'd', 'e', 'f')
  end

  def test_unsigned_long_long
    assert_nil analytics(2**64 - 1)
    assert_nil analytics(0)
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
    assert_nil @facade.setTransparency(1)
    assert_nil @facade.setTransparency(2**70)
    assert_nil @facade.setTransparency(-0.5)
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
    texts = ["a\0b\0", "\xFF\xFE".b, "é\u0000ü", '', 'x' * 100_000]
    texts.each do |text|
      @facade.bkPopUpMessage(text)
      @facade.callAnalytics_pointCloudLoaded(text)
    end
    seen = @callbacks.calls.map(&:last)
    assert_equal texts.flat_map { |t| [t.b, t.b] }, seen
    seen.each do |received|
      assert_equal Encoding::ASCII_8BIT, received.encoding
      refute received.frozen?
    end
    [@facade.GetOutputJSon, @facade.getLoadedCloudName].each { |text| assert_equal Encoding::ASCII_8BIT, text.encoding }
  end

  def test_inspect_cut_to_30_bytes
    value = 'a' * 40
    error = assert_raises(TypeError) { @facade.setPointSize(value) }
    assert_equal "Expected argument 1 of type int, but got String \"#{'a' * 29}...\n\tin SWIG method 'setPointSize'",
                 error.message
    # An inspection text of exactly 30 bytes is shown whole.
    value = 'b' * 28
    error = assert_raises(TypeError) { @facade.setPointSize(value) }
    assert_equal "Expected argument 1 of type int, but got String \"#{'b' * 28}\"\n\tin SWIG method 'setPointSize'",
                 error.message
    value = [1] * 20
    error = assert_raises(TypeError) { @facade.setPointSize(value) }
    assert_includes error.message, "Array #{value.inspect[0, 30]}...\n"
  end

  # A value whose inspect is not at all like its class still shows the class name.
  def test_message_names_class_and_inspect
    value = Class.new { def inspect = '<<custom>>' }.new
    error = assert_raises(TypeError) { @facade.setPointSize(value) }
    assert_match(/\AExpected argument 1 of type int, but got #<Class:0x\h+> <<custom>>\n\tin SWIG method 'setPointSize'\z/,
                 error.message)
  end

  def test_null_references
    cases = [
      ['std::string const &', :bkPopUpMessage, [nil], 2],
      ['std::string const &', :bkPopUpOKQuestionMessage, [nil], 2],
      ['std::string const &', :LoadMultiPointCloud, [nil], 2],
      ['std::string const &', :addScene, [[1.0], nil], 3],
      [OrvaxTest::DOUBLES, :addScene, [nil, 'x'], 2],
      ['std::wstring', :updateSceneObserver, [nil], 2]
    ]
    cases.each do |type, name, args, position|
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
     [:callAnalytics_pointCloudLoaded, [nil], 'std::string', 2],
     [:callAnalytics_errorMessageEngagement, [nil], 'std::string', 2],
     [:callAnalytics_closeApplication, [nil], 'std::string', 2],
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
    assert_equal [1.0, 2.5, 2.0**40], values
    assert values.all?(Float)
    assert_raises(FrozenError) { values << 3.0 }
    assert_equal [], @facade.ProcessCloud([1, 2.5], 'x')
    assert_equal [], @facade.ProcessModel([], [3], 'x')
  end

  def test_sequence_element_failures
    # A bad element: TypeError whose whole message is the element type.
    assert_raises_message(TypeError, 'double') { @facade.addScene([1.0, 'x'], 't') }
    assert_raises_message(TypeError, 'float') { @facade.ProcessCloud([1, nil], 't') }
    assert_raises_message(TypeError, 'float') { @facade.ProcessCloud([1e39], 't') }
    # Not a sequence at all: the argument error for the container type.
    assert_raises_message(TypeError, msg(OrvaxTest::DOUBLES, 'addScene', 2, 'x')) { @facade.addScene('x', 't') }
    assert_raises_message(TypeError, msg(OrvaxTest::FLOATS, 'ProcessCloud', 2, 1.5)) { @facade.ProcessCloud(1.5, 't') }
    assert_raises_message(TypeError, msg(OrvaxTest::FLOATS, 'ProcessCloud', 2, @facade)) { @facade.ProcessCloud(@facade, 't') }
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
    %i[isAnyPointCloudLoaded getNameVector updateView GetOutputJSon getThickness].each do |name|
      error = assert_raises(klass, name) { empty.public_send(name) }
      assert_equal msg('MyNativeClass *', name, 1, empty), error.message
    end
    error = assert_raises(klass) { empty.setPointSize(1) }
    assert_equal msg('MyNativeClass *', 'setPointSize', 1, empty), error.message
    assert_equal RuntimeError, klass.superclass
    # The receiver is converted before the arguments.
    assert_raises(klass) { empty.setPointSize('not an int') }
  end

  def test_previously_deleted_arguments
    klass = deleted_class
    empty = ORVAX::INativeToRuby.allocate
    error = assert_raises(klass) { ORVAX::MyNativeClass.new(empty) }
    assert_equal msg('INativeToRuby &', 'MyNativeClass', 1, empty), error.message
    error = assert_raises(klass) { empty.RubyMessageBox('x') }
    assert_equal msg('INativeToRuby *', 'RubyMessageBox', 1, empty), error.message
  end
end
