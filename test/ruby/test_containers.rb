# The sequence classes share one design: every shared behaviour is checked on all seven.
require 'orvax_test_helper'

module ContainerCases
  # make: three elements; key: what tells elements apart; bad: a value that is no element.
  Case = Struct.new(:klass, :element, :make, :bad, :key) do
    def name; klass.name.split('::').last; end
    def three; make.call; end
    def fill; klass.new(three); end

    # What tells values apart: keys of a container, key of an element, nil.
    def keys(*values)
      values = values.map { |x| x.nil? ? nil : x.is_a?(klass) ? x.to_a.map(&key) : key.call(x) }
      values.size == 1 ? values[0] : values
    end
  end
  SAME = ->(x) { x }
  PLANES = ORVAX::SectionPlaneVector.new(3)
  BOX = ->(sum) { ORVAX::ClippingBox.new.tap { |b| b.mSumBBMinnMax = sum } }
  ALL = [
    Case.new(ORVAX::IntVector, 'int', -> { [1, 2, 3] }, 'x', SAME),
    Case.new(ORVAX::DoubleVector, 'double', -> { [1.5, 2.5, 3.5] }, 'x', SAME),
    Case.new(ORVAX::BoolVector, 'bool', -> { [true, false, true] }, nil, SAME),
    Case.new(ORVAX::FloatVector, 'float', -> { [0.5, 1.5, 2.5] }, 'x', SAME),
    Case.new(ORVAX::StringVector, 'std::string', -> { %w[a b c] }, 1, SAME),
    Case.new(ORVAX::ClippingBoxVector, 'ClippingBox', -> { [1.0, 2.0, 3.0].map(&BOX) }, 1, ->(x) { x.mSumBBMinnMax }),
    Case.new(ORVAX::SectionPlaneVector, 'SectionPlane', -> { PLANES.to_a }, 1, ->(x) { x.class })
  ].freeze

  # Defines one test per class from a block taking the case.
  def each_class(name, &body)
    ALL.each { |c| define_method("test_#{name}_#{c.name}") { instance_exec(c, &body) } }
  end
end

class TestSequenceShared < Minitest::Test
  extend ContainerCases

  # nil passes the overload test for a whole sequence (a null wrapper) and is refused as
  # a null reference, also by a second initialize and on an allocated container.
  each_class('construction') do |c|
    e = c.element
    x = c.three.first
    assert_equal [0, 3, c.keys(c.fill), [c.key.call(x)] * 2],
                 [c.klass.new.size, c.klass.new(3).size, c.keys(c.klass.new(c.fill)), c.keys(c.klass.new(2, x))]
    whole = "std::vector< #{e} > const &"
    [-> { c.klass.new(nil) }, -> { c.fill.send(:initialize, nil) }, -> { c.klass.allocate.send(:initialize, nil) }].each do |call|
      assert_equal OrvaxTest.null_message(whole, "#{c.name}.new", 1), assert_raises(ArgumentError, &call).message
    end
    assert_equal OrvaxTest.null_message("std::vector< #{e},std::allocator< #{e} > > const &", '__setitem__', 4),
                 assert_raises(ArgumentError) { c.fill[1, 2] = nil }.message
    assert_equal "Wrong # of arguments for overloaded method '#{c.name}.new'.\nPossible C/C++ prototypes are:\n" \
                 "    #{c.name}.new()\n    #{c.name}.new(#{whole})\n    #{c.name}.new(std::vector< #{e} >::size_type size)\n" \
                 "    #{c.name}.new(std::vector< #{e} >::size_type size, std::vector< #{e} >::value_type const &value)\n",
                 assert_raises(ArgumentError) { c.klass.new(1, 2, 3) }.message
  end

  each_class('reading_and_removing') do |c|
    v = c.fill
    all = c.keys(v)
    assert_equal [all[2], all[0], nil, nil, nil, all[0, 2], all[1, 2], nil, nil, all[1..-1], all[1...3], [], nil, nil, nil],
                 c.keys(v[-1], v.at(-3), v[3], v[-4], v.at(5), v[0, 2], v[-2, 5], v[0, 0], v[3, 1], v[1..-1],
                        v[1...3], v[1...1], v[3..4], v[2..0], v.slice(1, 0))
    assert_equal c.klass, v[0, 1].class
    ['a', 1.5].each { |i| assert_equal 'not a valid index or range', assert_raises(TypeError) { v[i] }.message }
    # Range bounds convert as the 32-bit long of the extension's platform, on every platform.
    assert_equal [all[1..-1], nil, all[0..1]], c.keys(v[1..2**31 - 1], v[-2**31..0], v[0..1.5])
    [[0..2**31, 'bignum too big to convert into `long\''], [-2**40..0, 'bignum too big to convert into `long\''],
     [0..1e10, 'float 1e+10 out of range of integer']].each do |range, message|
      assert_equal message, assert_raises(RangeError) { v[range] }.message
    end
    assert_equal all, c.keys(v), 'reading changes nothing'
    assert_equal [nil, all[1], all[2], all[0], nil, nil, []], c.keys(v.delete_at(3), v.delete_at(-2), v.pop, v.shift, v.pop, v.shift, v)
  end

  each_class('set_item') do |c|
    v = c.fill
    x = c.three.first
    all = c.keys(v)
    # A negative index stores nothing; new places get the value.
    assert_equal [all, [all[0], c.key.call(x), all[2]] + [c.key.call(x)] * 2], [(v[-1] = x; c.keys(v)), (v[1] = x; v[4] = x; c.keys(v))]
    given = c.three.reverse
    v = c.fill
    w = c.fill
    refute_nil(v[1, 1] = given)
    assert_equal [nil, c.klass], [w.send(:[]=, 0, 0, given), w.send(:[]=, -1, 5, given[0, 1]).class]
    assert_equal [[all[0]] + given.map(&c.key) + [all[2]], [all[0], all[1], c.key.call(given[0])]], c.keys(v, w)
    w.send(:[]=, 4, 1, given[0, 1])
    v.send(:[]=, 0, 2, v) # the receiver as its own source
    assert_equal [5, 8], [w.size, v.size], 'a start past the end pads first'
    assert_raises(IndexError) { w.send(:[]=, -9, 1, given) }
  end

  each_class('insertion') do |c|
    v = c.fill
    all = c.keys(v)
    x, y = c.three
    same = v.insert(3, x, y)
    v.insert(-5, y)
    refute same.equal?(v)
    assert_equal [[c.key.call(y)] + all + c.keys(x, y)] * 2, c.keys(v, same), 'the result shares the receiver'
    [7, -8].each { |at| assert_raises(IndexError) { v.insert(at, x) } }
    u = c.klass.new([x]).tap { |w| w.unshift(x, y) }
    assert_equal [c.keys(x, y, x), 'wrong # of arguments(0 for 1)'], [c.keys(u), assert_raises(ArgumentError) { u.unshift }.message]
    v = c.fill
    assert_match(/Expected argument 1 of type std::vector< #{Regexp.escape(c.element)} >::value_type const &.*in SWIG method 'push'/m,
                 assert_raises(c.bad.nil? ? TypeError : StandardError) { v.push(c.bad) }.message)
    assert_equal [c.element, 3, c.element], [assert_raises(TypeError) { v.unshift(x, c.bad) }.message, v.size,
                                            assert_raises(TypeError) { v.insert(0, c.bad) }.message]
    begin
      raise 'pending'
    rescue StandardError
      got = "but got #{c.bad.class} #{c.bad.inspect}\n\tin SWIG method 'std_vector_Sl_#{c.element.sub('::', '_')}_Sg__"
      assert_equal "Expected argument 1 of type #{c.element}, #{got}unshift'", assert_raises(ArgumentError) { v.unshift(c.bad, x) }.message
      assert_equal 4, v.size, 'values already inserted stay'
      assert_equal "Expected argument 2 of type #{c.element}, #{got}insert__SWIG_0'",
                   assert_raises(ArgumentError) { v.insert(0, x, c.bad) }.message
      assert_equal 4, v.size, 'insert converts everything first'
    end
    assert_equal c.key.call(y), c.key.call(v.push(y))
  end

  each_class('blocks') do |c|
    v = c.fill
    all = c.keys(v)
    %i[each select reject reject! delete_if].each do |m|
      assert_equal 'no block given', assert_raises(ArgumentError) { v.public_send(m) }.message
    end
    visited = []
    result = v.each { |x| visited << c.key.call(x) }
    picked = v.select { |x| c.key.call(x) == all[0] }
    assert_equal [false, c.klass], [result.equal?(v), picked.class]
    assert_equal [all, all, all.select { |k| k == all[0] }, all.reject { |k| k == all[0] }, all, all.reject { |k| k == all[1] }],
                 [visited, *c.keys(result, picked, v.reject { |x| c.key.call(x) == all[0] }, v),
                  c.keys(v.reject! { |x| c.key.call(x) == all[1] } || v)]
    # Blocks that empty or grow the container.
    count = pushes = 0
    v = c.fill
    v.each { count += 1; v.clear }
    w = c.fill
    w.reject! { (pushes += 1) <= 10 && w.push(c.three[0]); true }
    assert_equal [1, 0, 13], [count, w.size, pushes]
  end

  each_class('texts_and_storage') do |c|
    v = c.fill
    all = c.keys(v)
    e = c.element
    prefix = "std::vector<#{e}#{c.klass == ORVAX::BoolVector ? ', ' : ','}std::allocator< #{e} > >"
    tail = { 'std::string' => 'std__string' }.fetch(e, e)
    assert_equal ["#{prefix} [", "#{prefix} []", false, "SWIG::TYPE_p_std__allocatorT_#{tail}_t"],
                 [v.inspect[0, prefix.size + 2], c.klass.new.inspect, v.to_a.frozen?, v.get_allocator.class.name]
    assert_equal c.three.join, v.to_s if c.key == ContainerCases::SAME
    assert_equal [all.first, all.last, nil, nil], c.keys(v.front, v.back, c.klass.new.front, c.klass.new.back)
    assert_operator((v.reserve(100); v.capacity), :>=, 100)
    huge = 2**32 - 1
    [-> { c.klass.new(huge) }, -> { v.reserve(huge) }, -> { v.resize(huge) }, -> { v.assign(huge, c.three[0]) }]
      .each { |call| assert_raises(RangeError, &call) }
    other = c.klass.new(1)
    assert_equal [1, all], [(v.swap(other); v.swap(v); v.size), c.keys(other)]
    assert_raises(ArgumentError) { v.swap(nil) }
    assert_raises(TypeError) { v.swap([]) }
    assert_equal [0, [c.key.call(c.three[2])] * 2, 4, 1],
                 [(v.clear; v.size), (v.assign(2, c.three[2]); c.keys(v)), (v.resize(4); v.size), (v.resize(1, c.three[0]); v.size)]
  end
end

class TestSequenceMembers < Minitest::Test
  def msg
    yield
    flunk 'no error'
  rescue ArgumentError => e
    e.message
  end

  def test_overload_prototype_lists
    v = ORVAX::DoubleVector.new([1.0])
    t = 'std::vector< double >::'
    assert_equal "Wrong arguments for overloaded method '__getitem__'.\nPossible C/C++ prototypes are:\n" \
                 "    VALUE __getitem__(#{t}difference_type i, #{t}difference_type j)\n" \
                 "    VALUE __getitem__(#{t}difference_type i)\n    VALUE __getitem__(VALUE i)\n", msg { v[1, 2, 3] }
    assert_match(/\AWrong # of arguments for overloaded method '__getitem__'/, msg { v[1, 2, 3, 4] })
    assert_equal "Wrong arguments for overloaded method '__setitem__'.\nPossible C/C++ prototypes are:\n" \
                 "    VALUE __setitem__(#{t}difference_type i, #{t}value_type const &x)\n" \
                 "    VALUE __setitem__(#{t}difference_type i, #{t}difference_type j, " \
                 "std::vector< double,std::allocator< double > > const &v)\n", msg { v[0] = 'x' }
    assert_equal "Wrong arguments for overloaded method 'erase'.\nPossible C/C++ prototypes are:\n" \
                 "    #{t}iterator erase(#{t}iterator pos)\n    #{t}iterator erase(#{t}iterator first, #{t}iterator last)\n",
                 msg { v.erase(0) }
    assert_equal "Wrong arguments for overloaded method 'DoubleVector.resize'.\nPossible C/C++ prototypes are:\n" \
                 "    void DoubleVector.resize(#{t}size_type new_size)\n" \
                 "    void DoubleVector.resize(#{t}size_type new_size, #{t}value_type const &x)\n", msg { v.resize('x') }
    assert_equal "Wrong # of arguments for overloaded method 'insert'.\nPossible C/C++ prototypes are:\n" \
                 "    void insert(#{t}difference_type pos, int argc, VALUE *argv, ...)\n" \
                 "    void insert(#{t}iterator pos, #{t}value_type const &x)\n" \
                 "    void insert(#{t}iterator pos, #{t}size_type n, #{t}value_type const &x)\n", msg { v.insert(0, 1, 2, 3, 4) }
    assert_match(/\AWrong arguments for overloaded method 'insert'/, msg { v.insert(0) })
  end

  def test_argument_errors_name_the_native_types
    v = ORVAX::IntVector.new([1])
    assert_equal "Expected argument 1 of type std::vector< int >::difference_type, but got Float 1.5\n" \
                 "\tin SWIG method 'at'", assert_raises(TypeError) { v.at(1.5) }.message
    [[TypeError, -> { v.swap(ORVAX::DoubleVector.new) }, /\AExpected argument 1 of type std::vector< int > &, but got ORVAX::DoubleVector/],
     [RuntimeError, -> { ORVAX::IntVector.allocate.size }, /\AExpected argument 0 of type std::vector< int > \*/],
     [ArgumentError, -> { ORVAX::StringVector.new.push(nil) },
      /\Ainvalid null reference Expected argument 1 of type std::vector< std::string >::value_type const &/],
     [ArgumentError, -> { v.size(1) }, /\Awrong # of arguments\(1 for 0\)\z/]].each do |klass, call, message|
      assert_match message, assert_raises(klass, &call).message
    end
  end

  # Whole Arrays convert in one pass: Floats held in the reference and on the heap, small
  # and big Integers, in any order, come out exact; one bad element refuses the whole.
  def test_numbers_convert_exactly
    doubles = [0.0, -0.0, 1.5, -2.25, 1e-300, 3e77, -1.7e-77, 5e-324, 1e300, Float::INFINITY, 7, 2**70] +
              Array.new(2000) { |i| (i.odd? ? -1 : 1) * 1.37**(i % 600 - 300) }
    assert_equal doubles.map(&:to_f), ORVAX::DoubleVector.new(doubles).to_a
    assert_equal [[0.5, -0.0, 3.0, 2.0**40, Float::INFINITY], [7, -7, 2**31 - 1], [true, false, true, true, false]],
                 [ORVAX::FloatVector.new([0.5, -0.0, 3, 2**40, Float::INFINITY]), ORVAX::IntVector.new([7, -7, 2**31 - 1]),
                  ORVAX::BoolVector.new([2**70, 0, true, 7, 0])].map(&:to_a)
    [[RangeError, -> { ORVAX::FloatVector.new.push(1e39) }], [TypeError, -> { ORVAX::IntVector.new.push(2**31) }],
     [ArgumentError, -> { ORVAX::IntVector.new([1, 2**31]) }], [ArgumentError, -> { ORVAX::DoubleVector.new([1.0, 2**70, 'x']) }]]
      .each { |klass, call| assert_raises(klass, &call) }
    assert_equal ['std::vector<int,std::allocator< int > > [1,2]', [0, 0, 0]],
                 [ORVAX::IntVector.new([1, 2]).inspect, ORVAX::IntVector.new(3).to_a]
  end

  # A big Integer's conversion may warn, and the warning may run code that changes the
  # Array being converted: what remains is read, nothing beyond it.
  def test_an_array_emptied_by_a_conversion_warning
    verbose = $VERBOSE
    numbers = [1.0, 2**1100, 3.0, 4.0]
    Warning.singleton_class.send(:define_method, :warn) { |*| numbers.clear }
    $VERBOSE = true
    assert_includes [[], [1.0, Float::INFINITY]], ORVAX::DoubleVector.new(numbers).to_a
  ensure
    $VERBOSE = verbose
    Warning.singleton_class.send(:remove_method, :warn)
  end

  def test_map_bang_and_delete
    v = ORVAX::IntVector.new([1, 2, 3, 2])
    assert_equal 'No block given', assert_raises(ArgumentError) { v.map_bang }.message
    assert_equal [2, 4, 6, 4], v.map_bang { |x| x * 2 }.to_a
    seen = []
    assert_equal 'int', assert_raises(TypeError) { v.map_bang { |x| seen << x; x == 6 ? 'x' : x + 1 } }.message
    assert_equal [[3, 5, 6, 4], [2, 4, 6]], [v.to_a, seen], 'in order; elements already replaced stay replaced'
    begin
      raise 'pending'
    rescue StandardError
      assert_equal 'Yield block did not return a valid element for std::vector',
                   assert_raises(TypeError) { v.map_bang { 'x' } }.message
    end
    assert_equal [4, [3, 5, 6], nil, :none, nil], [v.__delete__(4), v.to_a, v.__delete__(9),
                                                   v.__delete__(9) { |x| x.nil? ? :none : :bad }, v.__delete2__(3)]
    assert_raises(TypeError) { v.__delete2__('x') }
    assert_equal [3, 5, 6], v.to_a
    [ORVAX::ClippingBoxVector, ORVAX::SectionPlaneVector].product(%i[map_bang __delete__]).each { |k, m| refute k.method_defined?(m) }
  end

  def test_elements_are_copies_but_front_refers
    strings = ORVAX::StringVector.new(["a\0b"])
    s = strings[0] << 'zz'
    assert_equal [Encoding::ASCII_8BIT, "a\0bzz".b, "a\0b"], [s.encoding, s, strings[0]]
    v = ORVAX::ClippingBoxVector.new([ORVAX::ClippingBox.new])
    v[0].mSumBBMinnMax = 5 # a copy
    sum = v[0].mSumBBMinnMax
    front = v.front
    bounds = front.sxXyYzZ
    front.mSumBBMinnMax = 7
    v.back.sxXyYzZ.push(1.0)
    assert_equal [0.0, 7.0, 7], [sum, v[0].mSumBBMinnMax, v[0].sxXyYzZ.size]
    assert_equal 'SWIG::TYPE_p_SectionPlane', ORVAX::SectionPlaneVector.new(1).front.class.name
    100.times { v.push(ORVAX::ClippingBox.new) } # storage moves
    front.mClippingBoxVisible = true
    assert_equal [true, 7], [v[0].get_Visible, bounds.size]
    v.clear
    [-> { front.get_Visible }, -> { bounds.size }]
      .each { |call| assert_equal 'ObjectPreviouslyDeleted', assert_raises(RuntimeError, &call).class.name }
  end

  # A duck-typed range runs Ruby code while it is read; the container is found only after.
  def test_range_code_that_frees_the_container
    v = ORVAX::IntVector.new([1, 2, 3])
    assert_equal [2, 3], v[duck_range(1, 2) { nil }].to_a
    boxes = ORVAX::ClippingBoxVector.new([ORVAX::ClippingBox.new])
    bounds = boxes.front.sxXyYzZ
    range = duck_range(0, 5) { 50.times { boxes.push(ORVAX::ClippingBox.new) }; boxes.clear }
    assert_equal 'ObjectPreviouslyDeleted', assert_raises(RuntimeError) { bounds[range] }.class.name
  end

  def duck_range(first, last, &on_read)
    range = Object.new
    range.define_singleton_method(:begin) { on_read.call; first }
    range.define_singleton_method(:end) { last }
    range.define_singleton_method(:exclude_end?) { false }
    range
  end
end

class TestStringStringMap < Minitest::Test
  def map(pairs = { 'b' => '2', 'a' => '1', 'c' => '3' })
    ORVAX::StringStringMap.new.tap { |m| pairs.each { |k, v| m[k] = v } }
  end

  def test_reading_writing_and_order
    m = map
    m[[0xFF].pack('C*')] = 'z'
    m['B'] = 'y'
    seen = []
    refute m.each { |k, v| seen << [k, v] }.equal?(m)
    assert_equal [['B', 'a', 'b', 'c', [0xFF].pack('C*')], %w[y 1 2 3 z], m.entries, m.entries], [m.keys, m.values, seen, m.to_a]
    m = map
    assert_equal ['1', nil, '', ['1', nil], true, true, false, 1, 0, Encoding::ASCII_8BIT],
                 [m['a'], m['x'], m.get('x'), m.values_at('a', 'x'), m.has_key?('a'), m.include?('b'),
                  m.include?('x'), m.count('a'), m.count('x'), m['a'].encoding]
    assert_raises(TypeError) { m[1] = 'x' }
    assert_raises(ArgumentError) { m['x'] = nil }
    assert_equal ['a', nil, { 'b' => '2', 'c' => '3' }, 2, false, true],
                 [m.delete('a'), m.delete('a'), m.to_hash, m.size, m.empty?, (m.clear; m.empty?)]
    prefix = 'std::map<std::string,std::string,std::less< std::string >,' \
             'std::allocator< std::pair< std::string const,std::string > > >'
    assert_equal ["#{prefix} {\"a\"=>\"1\",\"b\"=>\"2\"}", "#{prefix} {}", '["a", "1"]["b", "2"]'],
                 [map('a' => '1', 'b' => '2').inspect, m.inspect, map('a' => '1', 'b' => '2').to_s]
  end

  def test_blocks_and_select
    m = map
    %i[select each_key each_value each].each do |name|
      assert_equal 'no block given', assert_raises(ArgumentError) { m.public_send(name) }.message
    end
    assert_equal [%w[a c], %w[a b c]], [m.select { |k, _v| k != 'b' }.keys, m.keys]
    keys = []
    m.each_key { |k| keys << k; m.delete('b') }
    assert_equal [%w[a c], %w[a c]], [keys, m.map { |k, _v| k }], 'removing the next entry inside the block is safe'
  end

  def test_constructors_erase_and_positions
    assert_equal [%w[a b c], %w[k]], [map, { 'k' => 'v' }].map { |from| ORVAX::StringStringMap.new(from).keys }
    assert_equal "Wrong # of arguments for overloaded method 'StringStringMap.new'.\nPossible C/C++ prototypes are:\n" \
                 "    StringStringMap.new(std::less< std::string > const &)\n    StringStringMap.new()\n" \
                 "    StringStringMap.new(std::map< std::string,std::string > const &)\n",
                 assert_raises(ArgumentError) { ORVAX::StringStringMap.new(1, 2) }.message
    # Hashes whose to_a lies.
    [5, [1], [[1]], [%w[a b c]], [['a', 1]]].each do |pairs|
      hash = Class.new(Hash) { define_method(:to_a) { pairs } }['k' => 'v']
      assert_raises(ArgumentError) { ORVAX::StringStringMap.new(hash) }
    end
    m = map
    m2 = map
    assert_equal [1, 0, %w[c], %w[c]], [m.erase('a'), m.erase('a'), (m.erase(m.find('b')); m.keys),
                                        (m2.erase(m2.begin, m2.find('c')); m2.keys)]
    position = m2.find('c')
    m2.delete('c')
    [[IndexError, -> { m2.erase(position) }], [TypeError, -> { m2.erase(map.begin) }], [IndexError, -> { m2.erase(m2.end) }]]
      .each { |klass, call| assert_raises(klass, &call) }
    assert_match(/\AWrong arguments for overloaded method 'StringStringMap.erase'/,
                 assert_raises(ArgumentError) { m2.erase(m2.rbegin) }.message)
    assert_equal "Wrong arguments for overloaded method 'each'.\nPossible C/C++ prototypes are:\n" \
                 "    void each()\n    void each()\n", assert_raises(ArgumentError) { m2.each(1) }.message
    assert_match(/TYPE_p_std__mapT.*__iterator\z/, m2.lower_bound('a').class.name)
    assert_match(/__reverse_iterator\z/, m2.rend.class.name)
    assert_equal 'SWIG::TYPE_p_std__allocatorT_std__pairT_std__string_const_std__string_t_t', m2.get_allocator.class.name
    other = map
    assert_equal [%w[a b c], []], [(m2.swap(other); m2.keys), other.keys]
  end
end
