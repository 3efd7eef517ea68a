# Conversion of Ruby values to native ones and back, with the exact errors. With no engine bound every facade
# method still converts its arguments and answers a fixed result.
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
     ['1', [1e39, RangeError], [-1e39, RangeError], [2**200, RangeError], [-2**200, RangeError]]]
  ].freeze
  CHECKED = OrvaxTest::FACADE.select(&:checked?)
  # A value of the wrong kind for each type text.
  WRONG = { 'int' => 1.5, 'long long' => '1', 'double' => '1.0', 'float' => :f, 'bool' => nil,
            'std::string const &' => 1, 'std::string const' => 2.5, OrvaxTest::FLOATS => 'x' }.freeze
  TEXT = 'std::string const &'.freeze

  def msg(type, method, position, value); OrvaxTest.type_message(type, method, position, value); end

  # The call `name(*args)` refused for its argument at native `position` (receiver = 1); an ArgumentError is the
  # null reference error.
  def refusal(klass, type, name, position, args)
    text = klass == ArgumentError ? OrvaxTest.null_message(type, name, position) : msg(type, name, position, args[position - 2])
    [klass, name, args, text]
  end

  def assert_refused(rows)
    rows.each { |klass, name, args, text| assert_raises_message(klass, text, name) { @facade.public_send(name, *args) } }
  end

  def test_number_and_bool_limits
    analytics = ->(number) { ['a', number, 'b', 'c', 'd', 'e', 'f'] }
    rows = [2**64, 1.0, '1', nil].map do |value|
      refusal(TypeError, 'unsigned long long', :callAnalytics_Initialization, 3, analytics[value])
    end
    LIMITS.each do |name, type, good, bad|
      good.each { |value| assert_nil @facade.public_send(name, value), "#{name} #{value}" }
      rows += bad.map { |value, klass| refusal(klass || TypeError, type, name, 2, [value]) }
    end
    assert_refused(rows)
    [2**64 - 1, 0].each { |value| assert_nil @facade.callAnalytics_Initialization(*analytics[value]) }
    [false, 7, -1, 2**70, true, 0].each { |given| @facade.point_cloud_loaded('x', given) }
    assert_equal [2**64 - 1, 0, false, true, true, true, true, false], @callbacks.calls.map { |call| call[2] }
  end

  # Results are new objects; no engine, no callbacks.
  def test_not_bound_results
    CHECKED.each do |m|
      result = @facade.public_send(m.name, *m.args)
      assert_equal [m.unbound.class, m.unbound], [result.class, result], m.name unless m.unbound == :empty
      assert_equal [[], true], [result, result.frozen?], m.name if m.unbound == :empty
    end
    assert_equal [nil, nil], [@facade.setEye(0.0, -0.0, Float::NAN), @facade.setZAxis(Float::INFINITY, 0, 2**80)]
    assert_empty @callbacks.calls
    @facade.getLoadedCloudName << 'changed'
    json = @facade.GetOutputJSon
    names = @facade.getQPEStationNames
    loaded = @facade.LoadMultiPointCloud('{"bk_version_number": 1, "major_version": 23, "minor_version": 1}')
    assert_equal ['', 32, ORVAX::StringStringMap, 0, '', Encoding::ASCII_8BIT, false, false],
                 [@facade.getLoadedCloudName, json.bytesize, names.class, names.size, loaded, loaded.encoding,
                  json.equal?(@facade.GetOutputJSon), names.equal?(@facade.getQPEStationNames)]
  end

  # Each argument in turn wrong, or nil for a reference; the first bad one from the left is reported. nil for a
  # string taken by value is a TypeError. A bad element: TypeError naming the element type; not a sequence: the
  # error for the container type. Failed conversions call nothing.
  def test_argument_errors_name_type_and_position
    rows = CHECKED.flat_map do |m|
      m.types.each_with_index.flat_map do |type, index|
        [TypeError, *(ArgumentError if type.end_with?('&'))].map do |klass|
          refusal(klass, type, m.name, index + 2, m.args.dup.tap { |a| a[index] = klass == TypeError ? WRONG.fetch(type) : nil })
        end
      end
    end
    depth = Array.new(13, 1.0).tap { |a| a[4], a[7] = 'five', 'eight' }
    string, wide = 'std::string', 'std::wstring'
    # Type, native position, method, arguments.
    rows += [['int', 2, :setVisibility, 'a', 'b'], ['double', 3, :setEye, 1, nil, nil], [string, 2, :point_cloud_loaded, nil, 1],
             ['double', 6, :getClippingBoxFromDepth, *depth], [string, 2, :callAnalytics_closeApplication, :sym],
             *%i[callAnalytics_pointCloudLoaded callAnalytics_errorMessageEngagement callAnalytics_closeApplication]
               .map { |name| [string, 2, name, nil] },
             [wide, 2, :updateSceneObserver, 'text'], [string, 8, :callAnalytics_Initialization, 'a', 1, 'b', 'c', 'd', 'e', nil],
             ['std::string const', 2, :AddPointCloud, nil, 'x'], ['std::string const', 3, :AddPointCloud, 'x', nil],
             [OrvaxTest::DOUBLES, 2, :addScene, 'x', 't'], [OrvaxTest::FLOATS, 2, :ProcessCloud, 1.5, 't'],
             [OrvaxTest::FLOATS, 2, :ProcessCloud, @facade, 't'], *[nil, 2**31].map { |v| ['int', 2, :openFileDialogMulti, v] },
             *[:a, 'text', 3, Object.new].map { |value| ['void *', 2, :proto, value] }]
            .map { |type, at, name, *args| refusal(TypeError, type, name, at, args) }
    rows += [[TEXT, 2, :bkPopUpMessage, nil], [TEXT, 2, :bkPopUpOKQuestionMessage, nil], [TEXT, 2, :LoadMultiPointCloud, nil],
             [TEXT, 3, :addScene, [1.0], nil], [OrvaxTest::DOUBLES, 2, :addScene, nil, 'x'], [wide, 2, :updateSceneObserver, nil]]
            .map { |type, at, name, *args| refusal(ArgumentError, type, name, at, args) }
    assert_refused(rows)
    assert_raises_message(ArgumentError, OrvaxTest.null_message('INativeToRuby &', 'MyNativeClass', 1)) { ORVAX::MyNativeClass.new(nil) }
    [['double', :addScene, [1.0, 'x']], ['float', :ProcessCloud, [1, nil]], ['float', :ProcessCloud, [1e39]],
     ['float', :ProcessCloud, Array.new(40, 0.5) + [1e39] + Array.new(40, 0.5)]].each do |message, name, first|
      assert_raises_message(TypeError, message, name) { @facade.public_send(name, first, 't') }
    end
    assert_empty @callbacks.calls
    @facade.addScene([1, 2.5, 2**40], 't')
    values = @callbacks.calls.last[1]
    assert_equal [[1.0, 2.5, 2.0**40], [Float], true], [values, values.map(&:class).uniq, values.frozen?]
  end

  # An inspection text of exactly 30 bytes is shown whole; a custom inspect still shows the class.
  def test_strings_keep_their_bytes_and_values_are_shown_short
    texts = ["a\0b\0", [0xFF, 0xFE].pack('C*'), "é\u0000ü", '', 'x' * 100_000]
    texts.each { |text| @facade.bkPopUpMessage(text); @facade.callAnalytics_pointCloudLoaded(text) }
    seen = @callbacks.calls.map(&:last)
    assert_equal [texts.flat_map { |t| [t.b, t.b] }, [[Encoding::ASCII_8BIT, false]], [Encoding::ASCII_8BIT] * 2],
                 [seen, seen.map { |r| [r.encoding, r.frozen?] }.uniq, [@facade.GetOutputJSon, @facade.getLoadedCloudName].map(&:encoding)]
    custom = Class.new { def inspect; '<<custom>>'; end }.new
    shown = { 'a' * 40 => "String \"#{'a' * 29}...", 'b' * 28 => "String \"#{'b' * 28}\"",
              [1] * 20 => "Array #{([1] * 20).inspect[0, 30]}...", custom => "#{custom.class} <<custom>>" }
    assert_equal shown.values.map { |s| "Expected argument 1 of type int, but got #{s}\n\tin SWIG method 'setPointSize'" },
                 shown.keys.map { |value| assert_raises(TypeError) { @facade.setPointSize(value) }.message }
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
    iterator = tag.call(ORVAX::DoubleVector.new([1.0]).begin, '_p_std__wstring')
    assert_refused([refusal(TypeError, 'std::wstring', :updateSceneObserver, 2, [iterator])])
    # A correct tag on the right class changes nothing.
    assert_nil ORVAX::MyNativeClass.new(tag.call(@callbacks, '_p_INativeToRuby')).updateView
    assert_equal [[9], [[:updateView]]], [ints.to_a, @callbacks.calls]
    # A deleted receiver is reported before the arguments.
    empty = ORVAX::MyNativeClass.allocate
    callbacks = ORVAX::INativeToRuby.allocate
    klass = assert_raises(RuntimeError) { empty.isAnyPointCloudLoaded }.class # ObjectPreviouslyDeleted (test_class_tree)
    [[:isAnyPointCloudLoaded], [:getNameVector], [:GetOutputJSon], [:setPointSize, 1], [:setPointSize, 'x']].each do |name, *args|
      assert_raises_message(klass, msg('MyNativeClass *', name, 1, empty), name) { empty.public_send(name, *args) }
    end
    assert_raises_message(klass, msg('INativeToRuby &', 'MyNativeClass', 1, callbacks)) { ORVAX::MyNativeClass.new(callbacks) }
    assert_raises_message(klass, msg('INativeToRuby *', 'RubyMessageBox', 1, callbacks)) { callbacks.RubyMessageBox('x') }
  end
end
