# The modules and classes the extension registers, their superclasses, allocators and
# method tables.
require 'orvax_test_helper'
require 'json'

class TestClassTree < Minitest::Test
  CONTAINERS = %i[IntVector DoubleVector BoolVector FloatVector StringVector ClippingBoxVector
                  SectionPlaneVector StringStringMap].freeze

  def test_support_module_and_type_classes
    assert_equal [Module, Module, Object], [SWIG.class, ORVAX.class, SWIG::Pointer.superclass]
    assert_raises(NoMethodError) { SWIG::Pointer.new }
    OrvaxTest::TYPE_NAMES.each do |name|
      klass = SWIG.const_get("TYPE#{name}")
      assert_equal SWIG::Pointer, klass.superclass, name
      assert_raises(NoMethodError, name) { klass.new }
    end
    assert_equal OrvaxTest::TYPE_NAMES.map { |n| "TYPE#{n}" }, SWIG.constants.grep(/\ATYPE/).map(&:to_s).sort
    assert_equal({}, SWIG.instance_variable_get(:@__trackings__), 'the tracking table is an empty Hash')
  end

  def test_runtime_data_global
    holder = $swig_runtime_data_type_pointer4
    assert_equal ['swig_runtime_data', Object], [holder.class.name, holder.class.superclass]
    assert_raises(TypeError) { holder.class.allocate }
    assert_raises(NameError) { eval('$swig_runtime_data_type_pointer4 = 1') }
    assert_same holder, $swig_runtime_data_type_pointer4
  end

  # A global set by Ruby code before the first load holds no module ring: the load fails
  # with TypeError instead of reading the object's memory as one.
  def test_runtime_data_global_set_beforehand
    ['1', 'Thread::Mutex.new', 'Object.new'].each do |value|
      code = <<~RUBY
        $swig_runtime_data_type_pointer4 = #{value}
        $LOAD_PATH.unshift(ENV['ORVAX_LIB'])
        begin
          require 'ORVAX'
          print 'loaded'
        rescue TypeError
          print 'TypeError'
        end
      RUBY
      out, err, status = OrvaxTest.run_ruby(code)
      assert status.success?, "#{value}: crashed:\n#{err.lines.first(3).join}"
      assert_equal 'TypeError', out, value
    end
  end

  def test_classes_without_allocator
    { ORVAX::GC_VALUE => %i[inspect to_s], ORVAX::ConstIterator => %i[+ - == dup inspect next previous to_s value],
      ORVAX::Iterator => %i[+ - == dup inspect next previous to_s value=] }.each do |klass, methods|
      assert_match(/allocator undefined/, assert_raises(TypeError) { klass.new }.message)
      assert_equal methods.sort, klass.instance_methods(false).sort, klass
    end
    assert_equal [Object, Object, ORVAX::ConstIterator], [ORVAX::GC_VALUE, ORVAX::ConstIterator, ORVAX::Iterator].map(&:superclass)
  end

  def test_clipping_box_and_containers
    assert_equal %i[get_Enabled get_Visible mClippingBoxEnabled mClippingBoxEnabled=
                    mClippingBoxVisible mClippingBoxVisible= mSumBBMinnMax mSumBBMinnMax=
                    sSectionVector sSectionVector= sxXyYzZ sxXyYzZ=].sort,
                 ORVAX::ClippingBox.instance_methods(false).sort
    ([:ClippingBox] + CONTAINERS).each do |name|
      klass = ORVAX.const_get(name)
      assert_equal Object, klass.superclass, name
      assert_equal !%i[BoolVector ClippingBox].include?(name), klass.include?(Enumerable), name
      assert_kind_of klass, klass.new
    end
  end

  # Every method checks its own argument count: all take variable arguments.
  def test_facade_and_callback_classes
    { ORVAX::MyNativeClass => OrvaxTest::FACADE_ARITIES,
      ORVAX::INativeToRuby => OrvaxTest::CALLBACK_ARITIES }.each do |klass, arities|
      assert_equal [Object, false], [klass.superclass, klass.include?(Enumerable)]
      assert_equal (arities.map(&:first) - [:initialize]).sort, klass.instance_methods(false).sort
      assert klass.private_instance_methods(false).include?(:initialize)
      arities.each { |name, _| assert_equal(-1, klass.instance_method(name).arity, name) }
      # The allocator gives an empty wrapper tagged with its type.
      assert_equal "_p_#{klass.name.split('::').last}", klass.allocate.instance_variable_get(:@__swigtype__)
    end
    assert ORVAX.private_instance_methods(false).include?(:disown_INativeToRuby)
    assert_equal(-1, ORVAX.method(:disown_INativeToRuby).arity)
  end

  # The order methods are defined in is only visible while they are defined: record it
  # in a fresh interpreter.
  def test_registration_order
    code = <<~RUBY
      $order = Hash.new { |h, k| h[k] = [] }
      class Module
        private def method_added(name)
          $order[self.name.to_s] << name.to_s if self.name.to_s.start_with?('ORVAX::')
        end
      end
      $LOAD_PATH.unshift(ENV['ORVAX_LIB'])
      require 'ORVAX'
      require 'json'
      print JSON.generate($order)
    RUBY
    out, err, status = OrvaxTest.run_ruby(code)
    assert status.success?, err
    order = JSON.parse(out)
    assert_equal OrvaxTest::FACADE_ARITIES.map { |n, _| n.to_s }, order['ORVAX::MyNativeClass']
    assert_equal OrvaxTest::CALLBACK_ARITIES.map { |n, _| n.to_s }, order['ORVAX::INativeToRuby']
    assert_equal %w[inspect to_s], order['ORVAX::GC_VALUE']
  end

  # Error classes for deleted objects and null references appear on first use only.
  def test_error_classes_defined_on_request
    code = <<~RUBY
      $LOAD_PATH.unshift(ENV['ORVAX_LIB'])
      require 'ORVAX'
      before = [Object.const_defined?(:NullReferenceError), Object.const_defined?(:ObjectPreviouslyDeleted)]
      begin
        ORVAX::MyNativeClass.allocate.getNameVector
      rescue Exception => e
        raised = e.class.name
      end
      print [before, raised, ObjectPreviouslyDeleted.superclass.name].inspect
    RUBY
    out, err, status = OrvaxTest.run_ruby(code)
    assert status.success?, err
    assert_equal '[[false, false], "ObjectPreviouslyDeleted", "RuntimeError"]', out
  end
end
