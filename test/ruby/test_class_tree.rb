# The modules and classes the extension registers, their superclasses, allocators and
# method tables.
require 'orvax_test_helper'
require 'json'

class TestClassTree < Minitest::Test
  CONTAINERS = %i[ClippingBox IntVector DoubleVector BoolVector FloatVector StringVector ClippingBoxVector
                  SectionPlaneVector StringStringMap].freeze
  BOX_METHODS = %i[get_Enabled get_Visible] + %i[mClippingBoxEnabled mClippingBoxVisible mSumBBMinnMax sSectionVector sxXyYzZ]
                                                .flat_map { |n| [n, :"#{n}="] }

  def test_support_module_and_type_classes
    assert_equal [Module, Module, Object], [SWIG.class, ORVAX.class, SWIG::Pointer.superclass]
    ([SWIG::Pointer] + OrvaxTest::TYPE_NAMES.map { |name| SWIG.const_get("TYPE#{name}") }).each do |klass|
      assert_equal SWIG::Pointer, klass.superclass, klass unless klass == SWIG::Pointer
      assert_raises(NoMethodError, klass) { klass.new }
    end
    assert_equal OrvaxTest::TYPE_NAMES.map { |n| "TYPE#{n}" }, SWIG.constants.grep(/\ATYPE/).map(&:to_s).sort
    assert_equal({}, SWIG.instance_variable_get(:@__trackings__), 'the tracking table is an empty Hash')
    holder = $swig_runtime_data_type_pointer4
    assert_equal ['swig_runtime_data', Object], [holder.class.name, holder.class.superclass]
    [[TypeError, -> { holder.class.allocate }], [NameError, -> { eval('$swig_runtime_data_type_pointer4 = 1') }]]
      .each { |klass, call| assert_raises(klass, &call) }
    assert_same holder, $swig_runtime_data_type_pointer4
  end

  # A global set by Ruby code before the first load holds no module ring: the load fails
  # with TypeError instead of reading the object's memory as one.
  def test_runtime_data_global_set_beforehand
    ['1', 'Thread::Mutex.new', 'Object.new'].each do |value|
      out, err, status = OrvaxTest.run_ruby(<<~RUBY)
        $swig_runtime_data_type_pointer4 = #{value}
        $LOAD_PATH.unshift(ENV['ORVAX_LIB'])
        begin
          require 'ORVAX'
          print 'loaded'
        rescue TypeError
          print 'TypeError'
        end
      RUBY
      assert_equal [true, 'TypeError'], [status.success?, out], "#{value}:\n#{err.lines.first(3).join}"
    end
  end

  # Every method checks its own argument count: all take variable arguments.
  def test_method_tables
    { ORVAX::GC_VALUE => %i[inspect to_s], ORVAX::ConstIterator => %i[+ - == dup inspect next previous to_s value],
      ORVAX::Iterator => %i[+ - == dup inspect next previous to_s value=] }.each do |klass, methods|
      assert_match(/allocator undefined/, assert_raises(TypeError) { klass.new }.message)
      assert_equal methods.sort, klass.instance_methods(false).sort, klass
    end
    assert_equal [Object, Object, ORVAX::ConstIterator], [ORVAX::GC_VALUE, ORVAX::ConstIterator, ORVAX::Iterator].map(&:superclass)
    assert_equal BOX_METHODS.sort, ORVAX::ClippingBox.instance_methods(false).sort
    CONTAINERS.map { |name| ORVAX.const_get(name) }.each do |klass|
      assert_equal [Object, !%w[BoolVector ClippingBox].include?(klass.name[7..-1])], [klass.superclass, klass.include?(Enumerable)], klass
      assert_kind_of klass, klass.new
    end
    { ORVAX::MyNativeClass => OrvaxTest::FACADE_ARITIES, ORVAX::INativeToRuby => OrvaxTest::CALLBACK_ARITIES }.each do |klass, arities|
      assert_equal [Object, false], [klass.superclass, klass.include?(Enumerable)]
      assert_equal (arities.map(&:first) - [:initialize]).sort, klass.instance_methods(false).sort
      assert klass.private_instance_methods(false).include?(:initialize)
      assert_equal [-1], arities.map { |name, _| klass.instance_method(name).arity }.uniq
      # The allocator gives an empty wrapper tagged with its type.
      assert_equal "_p_#{klass.name[7..-1]}", klass.allocate.instance_variable_get(:@__swigtype__)
    end
    assert_equal [true, -1], [ORVAX.private_instance_methods(false).include?(:disown_INativeToRuby), ORVAX.method(:disown_INativeToRuby).arity]
  end

  # The order methods are defined in is only visible while they are defined, and the
  # error classes for deleted objects and null references appear on first use only:
  # both seen in a fresh interpreter.
  def test_registration_order_and_late_error_classes
    out, err, status = OrvaxTest.run_ruby(<<~RUBY)
      $order = Hash.new { |h, k| h[k] = [] }
      class Module
        private def method_added(name)
          $order[self.name.to_s] << name.to_s if self.name.to_s.start_with?('ORVAX::')
        end
      end
      $LOAD_PATH.unshift(ENV['ORVAX_LIB'])
      require 'ORVAX'
      require 'json'
      before = %i[NullReferenceError ObjectPreviouslyDeleted].map { |name| Object.const_defined?(name) }
      raised = begin
        ORVAX::MyNativeClass.allocate.getNameVector
      rescue Exception => e
        [e.class.name, e.class.superclass.name]
      end
      print JSON.generate([$order, before, raised])
    RUBY
    assert status.success?, err
    order, before, raised = JSON.parse(out)
    assert_equal [[false, false], %w[ObjectPreviouslyDeleted RuntimeError]], [before, raised]
    assert_equal OrvaxTest::FACADE_ARITIES.map { |n, _| n.to_s }, order['ORVAX::MyNativeClass']
    assert_equal OrvaxTest::CALLBACK_ARITIES.map { |n, _| n.to_s }, order['ORVAX::INativeToRuby']
    assert_equal %w[inspect to_s], order['ORVAX::GC_VALUE']
  end
end
