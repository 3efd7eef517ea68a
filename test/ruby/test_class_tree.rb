# The modules and classes the extension registers, their superclasses, allocators and methods.
require 'orvax_test_helper'
require 'json'

class TestClassTree < Minitest::Test
  CONTAINERS = %i[ClippingBox IntVector DoubleVector BoolVector FloatVector StringVector ClippingBoxVector
                  SectionPlaneVector StringStringMap].freeze
  BOX_METHODS = %i[get_Enabled get_Visible] + %i[mClippingBoxEnabled mClippingBoxVisible mSumBBMinnMax sSectionVector sxXyYzZ]
                                                .flat_map { |n| [n, :"#{n}="] }

  def child(code); OrvaxTest.run_ruby(code).tap { |_, err, status| assert status.success?, err }[0]; end

  def test_support_module_and_type_classes
    holder = $swig_runtime_data_type_pointer4
    assert_equal [Module, Module, Object, OrvaxTest::TYPE_NAMES.map { |n| "TYPE#{n}" }, {}, 'swig_runtime_data', Object],
                 [SWIG.class, ORVAX.class, SWIG::Pointer.superclass, SWIG.constants.grep(/\ATYPE/).map(&:to_s).sort,
                  SWIG.instance_variable_get(:@__trackings__), holder.class.name, holder.class.superclass]
    ([SWIG::Pointer] + OrvaxTest::TYPE_NAMES.map { |name| SWIG.const_get("TYPE#{name}") }).each do |klass|
      assert_equal SWIG::Pointer, klass.superclass, klass unless klass == SWIG::Pointer
      assert_raises(NoMethodError, klass) { klass.new }
    end
    [[TypeError, -> { holder.class.allocate }], [NameError, -> { eval('$swig_runtime_data_type_pointer4 = 1') }]]
      .each { |klass, call| assert_raises(klass, &call) }
    assert_same holder, $swig_runtime_data_type_pointer4
    # A global set by Ruby code before the first load is no module ring: TypeError, not a read.
    ['1', 'Thread::Mutex.new', 'Object.new'].each do |value|
      assert_equal 'TypeError', child(<<~RUBY), value
        $swig_runtime_data_type_pointer4 = #{value}
        $LOAD_PATH.unshift(ENV['ORVAX_LIB'])
        print(begin; require 'ORVAX'; 'loaded'; rescue TypeError; 'TypeError'; end)
      RUBY
    end
  end

  # Every method checks its own argument count: all take variable arguments.
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
    CONTAINERS.map { |name| ORVAX.const_get(name) }.each do |klass|
      assert_equal [Object, !%w[BoolVector ClippingBox].include?(klass.name[7..-1]), klass],
                   [klass.superclass, klass.include?(Enumerable), klass.new.class]
    end
    # The allocator gives an empty wrapper tagged with its type.
    { ORVAX::MyNativeClass => OrvaxTest::FACADE_ARITIES, ORVAX::INativeToRuby => OrvaxTest::CALLBACK_ARITIES }.each do |klass, arities|
      assert_equal [Object, false, (arities.map(&:first) - [:initialize]).sort, true, [-1], "_p_#{klass.name[7..-1]}"],
                   [klass.superclass, klass.include?(Enumerable), klass.instance_methods(false).sort,
                    klass.private_instance_methods(false).include?(:initialize), arities.map { |name, _| klass.instance_method(name).arity }.uniq,
                    klass.allocate.instance_variable_get(:@__swigtype__)]
    end
  end

  # Seen in a fresh interpreter: definition order, and error classes that appear on first use.
  def test_registration_order_and_late_error_classes
    order, before, raised = JSON.parse(child(<<~RUBY))
      $order = Hash.new { |h, k| h[k] = [] }
      Module.send(:define_method, :method_added) { |name| $order[self.name.to_s] << name.to_s if self.name.to_s.start_with?('ORVAX::') }
      $LOAD_PATH.unshift(ENV['ORVAX_LIB'])
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
end
