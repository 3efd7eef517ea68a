# The modules and classes the extension registers, their methods and argument counts, and its one export.
require 'orvax_test_helper'
require 'json'
require 'open3'

class TestClassTree < Minitest::Test
  BOX_METHODS = %i[get_Enabled get_Visible] + %i[mClippingBoxEnabled mClippingBoxVisible mSumBBMinnMax sSectionVector sxXyYzZ]
                                                .flat_map { |n| [n, :"#{n}="] }

  def test_support_module_and_type_classes
    holder = $swig_runtime_data_type_pointer4
    assert_equal [Module, Module, Object, OrvaxTest::TYPE_NAMES.map { |n| "TYPE#{n}" }, {}, 'swig_runtime_data', Object],
                 [SWIG.class, ORVAX.class, SWIG::Pointer.superclass, SWIG.constants.grep(/\ATYPE/).map(&:to_s).sort,
                  SWIG.instance_variable_get(:@__trackings__), holder.class.name, holder.class.superclass]
    assert_equal SWIG::Pointer, SWIG::TYPE_p_char.superclass
    [[NoMethodError, -> { SWIG::Pointer.new }], [NoMethodError, -> { SWIG::TYPE_p_char.new }],
     [TypeError, -> { holder.class.allocate }], [NameError, -> { eval('$swig_runtime_data_type_pointer4 = 1') }]]
      .each { |klass, call| assert_raises(klass, &call) }
    assert_same holder, $swig_runtime_data_type_pointer4
    # A global set by Ruby code before the first load is no module ring: TypeError, not a read.
    ['1', 'Thread::Mutex.new', 'Object.new'].each do |value|
      assert_equal 'TypeError', ruby_output(<<~RUBY, load: false), value
        $swig_runtime_data_type_pointer4 = #{value}
        print(begin; require 'ORVAX'; 'loaded'; rescue TypeError; 'TypeError'; end)
      RUBY
    end
  end

  def test_method_tables
    { ORVAX::GC_VALUE => %i[inspect to_s], ORVAX::ConstIterator => %i[+ - == dup inspect next previous to_s value],
      ORVAX::Iterator => %i[+ - == dup inspect next previous to_s value=] }.each do |klass, methods|
      assert_match(/allocator undefined/, assert_raises(TypeError) { klass.new }.message)
      assert_equal methods.sort, klass.instance_methods(false).sort, klass
    end
    assert_equal [Object, Object, ORVAX::ConstIterator, BOX_METHODS.sort, true, -1],
                 [ORVAX::GC_VALUE.superclass, ORVAX::ConstIterator.superclass, ORVAX::Iterator.superclass,
                  ORVAX::ClippingBox.instance_methods(false).sort, ORVAX.private_instance_methods(false).include?(:disown_INativeToRuby),
                  ORVAX.method(:disown_INativeToRuby).arity]
    classes = %i[ClippingBox IntVector DoubleVector BoolVector FloatVector StringVector ClippingBoxVector SectionPlaneVector
                 StringStringMap MyNativeClass INativeToRuby].map { |name| ORVAX.const_get(name) }
    assert_equal [[Object] * 11, classes - [ORVAX::BoolVector, ORVAX::ClippingBox, ORVAX::MyNativeClass, ORVAX::INativeToRuby]],
                 [classes.map(&:superclass), classes.select { |klass| klass.include?(Enumerable) }]
    # The allocator gives an empty wrapper tagged with its type; the methods are listed in the order test.
    assert_equal [[true, '_p_MyNativeClass'], [true, '_p_INativeToRuby']],
                 [ORVAX::MyNativeClass, ORVAX::INativeToRuby].map { |k| [k.private_instance_methods(false).include?(:initialize),
                                                                         k.allocate.instance_variable_get(:@__swigtype__)] }
  end

  # Seen in a fresh interpreter: definition order, and error classes that appear on first use.
  def test_registration_order_and_late_error_classes
    order, before, raised = JSON.parse(ruby_output(<<~RUBY, load: false))
      $order = Hash.new { |h, k| h[k] = [] }
      Module.send(:define_method, :method_added) { |name| $order[self.name.to_s] << name.to_s if self.name.to_s.start_with?('ORVAX::') }
      require 'ORVAX'
      require 'json'
      before = %i[NullReferenceError ObjectPreviouslyDeleted].map { |name| Object.const_defined?(name) }
      raised = begin; ORVAX::MyNativeClass.allocate.getNameVector; rescue Exception => e; [e.class.name, e.class.superclass.name]; end
      print JSON.generate([$order, before, raised])
    RUBY
    assert_equal [[false, false], %w[ObjectPreviouslyDeleted RuntimeError], OrvaxTest::FACADE_ARITIES.map { |n, _| n.to_s },
                  OrvaxTest::CALLBACK_ARITIES.map { |n, _| n.to_s }, %w[inspect to_s]],
                 [before, raised, order['ORVAX::MyNativeClass'], order['ORVAX::INativeToRuby'], order['ORVAX::GC_VALUE']]
  end

  # Every method checks its argument count first, before receiver, arguments or abstract class.
  def test_every_method_counts_first
    rows = [[OrvaxTest.facade, OrvaxTest::FACADE_ARITIES], [Class.new(ORVAX::INativeToRuby).new, OrvaxTest::CALLBACK_ARITIES],
            [ORVAX::ClippingBox.new, BOX_METHODS.map { |n| [n, n.to_s.end_with?('=') ? 1 : 0] }]].flat_map do |object, arities|
      arities.reject { |name, _| name == :initialize }.flat_map do |name, expected|
        [expected + 1, expected - 1].reject(&:negative?).map { |given| [object, name, given, expected] }
      end
    end
    empty = ORVAX::MyNativeClass.allocate
    rows += [[empty, :getClippingBoxFromDepth, 12, 13], [empty, :nativeSleep, 1, 0], [ORVAX::INativeToRuby, :new, 2, 0],
             [ORVAX::MyNativeClass, :new, 0, 1], [ORVAX::MyNativeClass, :new, 2, 1], [ORVAX::ClippingBox, :new, 1, 0],
             [Class.new(ORVAX::INativeToRuby), :new, 1, 0], *[0, 2].map { |given| [ORVAX, :disown_INativeToRuby, given, 1] }]
    rows.each do |object, name, given, count|
      text = "wrong # of arguments(#{given} for #{count})"
      assert_raises_message(ArgumentError, text, name) { object.public_send(name, *[nil] * given) }
    end
  end

  # The export names of a PE file, read from its export directory.
  def pe_export_names(path)
    image = File.binread(path)
    at = ->(offset, format = 'V') { image.unpack("@#{offset}#{format}")[0] }
    header = at.call(0x3C)
    table = header + 24 + at.call(header + 20, 'v')
    sections = Array.new(at.call(header + 6, 'v')) { |i| image.unpack("@#{table + 40 * i + 8}V4") }
    offset = lambda do |rva|
      _, start, _, raw = sections.find { |length, first| rva >= first && rva < first + length }
      rva - start + raw
    end
    directory = offset.call(at.call(header + 24 + 112)) # first data directory of a PE32+ header
    names = offset.call(at.call(directory + 32))
    Array.new(at.call(directory + 24)) { |i| at.call(offset.call(at.call(names + 4 * i)), 'Z*') }
  end

  def test_only_the_entry_point_is_exported
    path = $LOADED_FEATURES.find { |f| File.basename(f) == 'ORVAX.so' }
    symbols = if Gem.win_platform?
                pe_export_names(path)
              else
                Open3.capture2('nm', '-D', '--defined-only', path).tap { |_, status| assert status.success? }[0].lines.map { |line| line.split.last }
              end
    assert_equal ['Init_ORVAX'], symbols
  end
end
