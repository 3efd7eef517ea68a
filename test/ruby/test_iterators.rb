# Iterators: values, movement, comparisons, and safety when their container changes.
require 'orvax_test_helper'

class TestIterators < Minitest::Test
  def vec(*values); ORVAX::IntVector.new(values); end

  # next moves the iterator itself, + makes a new one.
  def test_texts_movement_and_writing
    v = vec(10, 20, 30)
    it = v.begin
    k = ORVAX::StringStringMap.new('a' => 'x').key_iterator
    assert_equal [ORVAX::Iterator, '#<ORVAX::IntVector::iterator 10>', 'ORVAX::IntVector::iterator 10',
                  ORVAX::ConstIterator, '#<ORVAX::StringStringMap::const_iterator "a">', false, false],
                 [it.class, it.inspect, it.to_s, k.class, k.inspect, k.respond_to?(:value=), it.next.equal?(it)]
    assert_equal [20, 30, 10, 30, 10, 3, 20, 30, 20, 3, true, false, true, true],
                 [it.value, it.next(1).value, it.previous(2).value, (it + 2).value, it.value, v.end - v.begin, (v.end - 2).value,
                  v.rbegin.value, v.rbegin.next.value, v.rend - v.rbegin, v.begin == v.begin, v.begin == v.end,
                  v.begin.dup == v.begin, (v.begin + 3) == v.end]
    assert_equal [protos('Iterator.next', 'swig::Iterator * Iterator.next(size_t n)', 'swig::Iterator * Iterator.next()'),
                  protos('__sub__.new', '__sub__.new(ptrdiff_t n)', '__sub__.new(swig::Iterator const &x)')], [err { it.next(1, 2) }, err { it - 'x' }]
    (v.begin + 1).value = 9
    assert_equal 'int', err(TypeError) { it.value = 'x' }
    v.rbegin.value = 7
    s = ORVAX::StringVector.new(%w[a])
    s.begin.value = 'b'
    assert_equal [[10, 9, 7], %w[b]], [v.to_a, s.to_a]
  end

  # Writing at the end or far past the storage changes nothing.
  def test_iterators_never_leave_their_container
    v = vec(1, 2, 3)
    it = v.end
    b = v.begin
    assert_equal [nil, [1, 2, 3], nil, nil], [it.value, (it.value = 5; v.to_a), b.previous(5).value, b.next(2**32 - 1).value]
    b.value = 6
    late = v.begin + 2
    v.clear
    assert_equal [nil, [], '#<ORVAX::IntVector::iterator nil>', 8], [late.value, (late.value = 4; v.to_a), late.inspect, (v.push(8); v.begin.value)]
    # Map iterators stop at the ends; a removed entry reads as nil.
    m = ORVAX::StringStringMap.new('a' => '1', 'b' => '2')
    k = m.key_iterator
    assert_equal ['1', 'a', 'b', nil, nil, nil, 'b', nil, 1, nil, nil],
                 [m.value_iterator.value, k.value, k.next.value, k.next.value, k.next, k.value, k.previous.value,
                  m.key_iterator.previous, k - m.key_iterator, (m.delete('b'); k.value), ORVAX::StringStringMap.new.key_iterator.value]
  end

  # A value without a working inspect is named by the default object text.
  def test_mismatched_iterators_erase_insert_and_refilling
    a = vec(1)
    m = ORVAX::StringStringMap.new('a' => '1')
    lying = Object.new.tap { |o| o.define_singleton_method(:inspect) { raise 'no inspect' } }
    assert_equal ['iterators of different containers'] + ['bad iterator type'] * 3,
                 [err { a.begin == vec(1).begin }, err { a.begin - a.rbegin }, err { m.key_iterator - m.value_iterator },
                  err { m.key_iterator == a.begin }]
    [[TypeError, -> { a.begin == m.key_iterator }], [ArgumentError, -> { a.begin == nil }]].each { |klass, call| assert_raises(klass, &call) }
    [BasicObject.new, lying].each { |value| assert_match(/, but got (Basic)?Object #<(Basic)?Object:0x/, err(TypeError) { a.begin == value }) }
    v = vec(1, 2, 3, 4)
    assert_equal [3, [1, 3, 4], 4, [4], 0, nil, [0, 4, 5, 5]],
                 [v.erase(v.begin + 1).value, v.to_a, v.erase(v.begin, v.begin + 2).value, v.to_a,
                  v.insert(v.begin, 0).value, v.insert(v.end, 2, 5), v.to_a]
    assert_match(/\AExpected argument 1 of type std::vector< int >::iterator, but got ORVAX::Iterator/, err(TypeError) { v.erase(vec(1).begin) })
    [[TypeError, -> { v.erase(v.rbegin) }], [TypeError, -> { v.erase(ORVAX::DoubleVector.new([1.0]).begin) }],
     [IndexError, -> { v.erase(v.end) }], [IndexError, -> { v.erase(v.end, v.begin) }], [IndexError, -> { v.insert(v.end + 1, 3) }]]
      .each { |klass, call| assert_raises(klass, &call) }
    # A second initialize refills in place, so iterators stay on the container.
    it = v.begin
    assert_equal [[0, 4, 5, 5], [7, 7, 7], 7], [v.to_a, (v.send(:initialize, 3, 7); v.to_a), it.value]
    # An iterator argument is checked against the receiver and its bounds before the arguments after it convert.
    s = ORVAX::StringVector.new(%w[a])
    stale = s.end
    s.clear
    value_text = 'std::vector< std::string >::value_type const &'
    assert_equal [*['iterator out of range'] * 2, *[3, 4].map { |at| OrvaxTest.null_message(value_text, 'insert', at) },
                  'Expected argument 1 of type std::vector< std::string >::iterator'],
                 [err(IndexError) { s.insert(stale, nil) }, err(IndexError) { s.insert(stale, 2, nil) },
                  err { s.insert(s.begin, nil) }, err { s.insert(s.begin, 2, nil) },
                  err(TypeError) { s.insert(ORVAX::StringVector.new.begin, nil) }[/\A[^,]*/]]
  end
end
