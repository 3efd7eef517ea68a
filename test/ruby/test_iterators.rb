# Iterators: values, movement, comparisons, and safety when their container changes.
require 'orvax_test_helper'

class TestIterators < Minitest::Test
  def vec(*values)
    ORVAX::IntVector.new(values)
  end

  def test_texts_movement_and_writing
    v = vec(10, 20, 30)
    it = v.begin
    k = ORVAX::StringStringMap.new('a' => 'x').key_iterator
    assert_equal [ORVAX::Iterator, '#<ORVAX::IntVector::iterator 10>', 'ORVAX::IntVector::iterator 10',
                  ORVAX::ConstIterator, '#<ORVAX::StringStringMap::const_iterator "a">'], [it.class, it.inspect, it.to_s, k.class, k.inspect]
    refute_respond_to k, :value=
    refute it.next.equal?(it)
    # next moves the iterator itself, + makes a new one.
    assert_equal [20, 30, 10, 30, 10], [it.value, it.next(1).value, it.previous(2).value, (it + 2).value, it.value]
    assert_equal [3, 20, 30, 20, 3], [v.end - v.begin, (v.end - 2).value, v.rbegin.value, v.rbegin.next.value, v.rend - v.rbegin]
    assert_equal [true, false, true, true], [v.begin == v.begin, v.begin == v.end, v.begin.dup == v.begin, (v.begin + 3) == v.end]
    assert_equal "Wrong arguments for overloaded method 'Iterator.next'.\nPossible C/C++ prototypes are:\n" \
                 "    swig::Iterator * Iterator.next(size_t n)\n    swig::Iterator * Iterator.next()\n",
                 assert_raises(ArgumentError) { it.next(1, 2) }.message
    assert_equal "Wrong arguments for overloaded method '__sub__.new'.\nPossible C/C++ prototypes are:\n" \
                 "    __sub__.new(ptrdiff_t n)\n    __sub__.new(swig::Iterator const &x)\n",
                 assert_raises(ArgumentError) { it - 'x' }.message
    (v.begin + 1).value = 9
    assert_equal 'int', assert_raises(TypeError) { it.value = 'x' }.message
    v.rbegin.value = 7
    s = ORVAX::StringVector.new(%w[a])
    s.begin.value = 'b'
    assert_equal [[10, 9, 7], %w[b]], [v.to_a, s.to_a]
  end

  def test_open_iterators_never_leave_their_container
    v = vec(1, 2, 3)
    it = v.end
    assert_equal [nil, [1, 2, 3]], [it.value, (it.value = 5; v.to_a)], 'writing at the end changes nothing'
    b = v.begin
    assert_equal [nil, nil], [b.previous(5).value, b.next(2**32 - 1).value]
    b.value = 6 # far past the storage: must not be written
    late = v.begin + 2
    v.clear
    assert_equal [nil, [], '#<ORVAX::IntVector::iterator nil>'], [late.value, (late.value = 4; v.to_a), late.inspect]
    assert_equal 8, (v.push(8); v.begin.value)
  end

  def test_closed_iterators_stop
    m = ORVAX::StringStringMap.new('a' => '1', 'b' => '2')
    k = m.key_iterator
    assert_equal ['1', 'a', 'b', nil, nil, nil, 'b', nil, 1],
                 [m.value_iterator.value, k.value, k.next.value, k.next.value, k.next, k.value, k.previous.value,
                  m.key_iterator.previous, k - m.key_iterator]
    m.delete('b')
    assert_equal [nil, nil], [k.value, ORVAX::StringStringMap.new.key_iterator.value], 'a removed entry reads as nil'
  end

  # A value without a working inspect is named by the default object text.
  def test_mismatched_iterators_are_refused
    a = vec(1)
    m = ORVAX::StringStringMap.new('a' => '1')
    assert_equal 'iterators of different containers', assert_raises(ArgumentError) { a.begin == vec(1).begin }.message
    [-> { a.begin - a.rbegin }, -> { m.key_iterator - m.value_iterator }, -> { m.key_iterator == a.begin }]
      .each { |call| assert_equal 'bad iterator type', assert_raises(ArgumentError, &call).message }
    assert_raises(TypeError) { a.begin == m.key_iterator }
    assert_raises(ArgumentError) { a.begin == nil }
    lying = Object.new.tap { |o| o.define_singleton_method(:inspect) { raise 'no inspect' } }
    [BasicObject.new, lying].each do |value|
      assert_match(/, but got (Basic)?Object #<(Basic)?Object:0x/, assert_raises(TypeError) { a.begin == value }.message)
    end
  end

  def test_erase_and_insert_with_iterators
    v = vec(1, 2, 3, 4)
    assert_equal [3, [1, 3, 4], 4, [4], 0, nil, [0, 4, 5, 5]],
                 [v.erase(v.begin + 1).value, v.to_a, v.erase(v.begin, v.begin + 2).value, v.to_a,
                  v.insert(v.begin, 0).value, v.insert(v.end, 2, 5), v.to_a]
    assert_match(/\AExpected argument 1 of type std::vector< int >::iterator, but got ORVAX::Iterator/,
                 assert_raises(TypeError) { v.erase(vec(1).begin) }.message)
    [-> { v.erase(v.rbegin) }, -> { v.erase(ORVAX::DoubleVector.new([1.0]).begin) }].each { |call| assert_raises(TypeError, &call) }
    [-> { v.erase(v.end) }, -> { v.erase(v.end, v.begin) }, -> { v.insert(v.end + 1, 3) }].each { |call| assert_raises(IndexError, &call) }
    assert_equal [0, 4, 5, 5], v.to_a
  end
end
