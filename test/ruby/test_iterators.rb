# Iterators: values, movement, comparisons, and safety when their container changes.
require 'orvax_test_helper'

class TestIterators < Minitest::Test
  def vec(*values)
    ORVAX::IntVector.new(values)
  end

  def test_classes_and_texts
    v = vec(1, 2)
    it = v.begin
    assert_instance_of ORVAX::Iterator, it
    assert_equal '#<ORVAX::IntVector::iterator 1>', it.inspect
    assert_equal 'ORVAX::IntVector::iterator 1', it.to_s
    k = ORVAX::StringStringMap.new('a' => 'x').key_iterator
    assert_instance_of ORVAX::ConstIterator, k
    assert_equal '#<ORVAX::StringStringMap::const_iterator "a">', k.inspect
    refute_respond_to k, :value=
  end

  def test_movement_and_arithmetic
    v = vec(10, 20, 30)
    it = v.begin
    moved = it.next
    refute moved.equal?(it)
    assert_equal 20, it.value, 'next moves the iterator itself'
    assert_equal 30, it.next(1).value
    assert_equal 10, it.previous(2).value
    assert_equal 30, (it + 2).value
    assert_equal 10, it.value, '+ makes a new iterator'
    assert_equal 3, v.end - v.begin
    assert_equal 20, (v.end - 2).value
    assert_equal 30, v.rbegin.value
    assert_equal 20, v.rbegin.next.value
    assert_equal 3, v.rend - v.rbegin
    assert v.begin == v.begin
    refute v.begin == v.end
    assert v.begin.dup == v.begin
    assert (v.begin + 3) == v.end
    e = assert_raises(ArgumentError) { it.next(1, 2) }
    assert_equal "Wrong arguments for overloaded method 'Iterator.next'.\nPossible C/C++ prototypes are:\n" \
                 "    swig::Iterator * Iterator.next(size_t n)\n    swig::Iterator * Iterator.next()\n", e.message
    e = assert_raises(ArgumentError) { it - 'x' }
    assert_equal "Wrong arguments for overloaded method '__sub__.new'.\nPossible C/C++ prototypes are:\n" \
                 "    __sub__.new(ptrdiff_t n)\n    __sub__.new(swig::Iterator const &x)\n", e.message
    assert_raises(ArgumentError) { it == nil }
  end

  def test_writing_through_an_iterator
    v = vec(1, 2, 3)
    it = v.begin + 1
    it.value = 9
    assert_equal [1, 9, 3], v.to_a
    assert_equal 'int', assert_raises(TypeError) { it.value = 'x' }.message
    r = v.rbegin
    r.value = 7
    assert_equal [1, 9, 7], v.to_a
    s = ORVAX::StringVector.new(%w[a])
    s.begin.value = 'b'
    assert_equal %w[b], s.to_a
  end

  def test_open_iterators_never_leave_their_container
    v = vec(1, 2, 3)
    it = v.end
    assert_nil it.value
    it.value = 5
    assert_equal [1, 2, 3], v.to_a, 'writing at the end changes nothing'
    b = v.begin
    b.previous(5)
    assert_nil b.value
    b.next(2**32 - 1)
    assert_nil b.value
    b.value = 6 # far past the storage: must not be written
    late = v.begin + 2
    v.clear
    assert_nil late.value
    late.value = 4
    assert_equal [], v.to_a
    assert_equal '#<ORVAX::IntVector::iterator nil>', late.inspect
    v.push(8)
    assert_equal 8, v.begin.value
  end

  def test_closed_iterators_stop
    m = ORVAX::StringStringMap.new('a' => '1', 'b' => '2')
    k = m.key_iterator
    values = m.value_iterator
    assert_equal '1', values.value
    assert_equal 'a', k.value
    assert_equal 'b', k.next.value
    assert_nil k.next.value
    assert_nil k.next, 'a closed iterator stops at its end'
    assert_nil k.value
    assert_equal 'b', k.previous.value
    assert_nil m.key_iterator.previous
    assert_equal 1, k - m.key_iterator
    m.delete('b')
    assert_nil k.value, 'a removed entry reads as nil'
    assert_nil ORVAX::StringStringMap.new.key_iterator.value
  end

  def test_mismatched_iterators_are_refused
    a = vec(1)
    b = vec(1)
    m = ORVAX::StringStringMap.new('a' => '1')
    assert_equal 'iterators of different containers', assert_raises(ArgumentError) { a.begin == b.begin }.message
    assert_equal 'bad iterator type', assert_raises(ArgumentError) { a.begin - a.rbegin }.message
    assert_equal 'bad iterator type', assert_raises(ArgumentError) { m.key_iterator - m.value_iterator }.message
    assert_raises(TypeError) { a.begin == m.key_iterator }
    assert_equal 'bad iterator type', assert_raises(ArgumentError) { m.key_iterator == a.begin }.message
    assert_raises(ArgumentError) { a.begin == a.dup.begin }
  end

  def test_erase_and_insert_with_iterators
    v = vec(1, 2, 3, 4)
    nxt = v.erase(v.begin + 1)
    assert_equal [1, 3, 4], v.to_a
    assert_equal 3, nxt.value
    after = v.erase(v.begin, v.begin + 2)
    assert_equal [4], v.to_a
    assert_equal 4, after.value
    at = v.insert(v.begin, 0)
    assert_equal 0, at.value
    assert_nil v.insert(v.end, 2, 5)
    assert_equal [0, 4, 5, 5], v.to_a
    other = vec(1)
    e = assert_raises(TypeError) { v.erase(other.begin) }
    assert_match(/\AExpected argument 1 of type std::vector< int >::iterator, but got ORVAX::Iterator/, e.message)
    assert_raises(TypeError) { v.erase(v.rbegin) }
    assert_raises(TypeError) { v.erase(ORVAX::DoubleVector.new([1.0]).begin) }
    assert_raises(IndexError) { v.erase(v.end) }
    assert_raises(IndexError) { v.erase(v.end, v.begin) }
    assert_raises(IndexError) { v.insert(v.end + 1, 3) }
    assert_equal [0, 4, 5, 5], v.to_a
  end

  def test_iterator_keeps_its_container_alive
    its = Array.new(30) { |i| ORVAX::IntVector.new([i, i + 1]).begin.next }
    GC.start
    its.each_with_index { |it, i| assert_equal i + 1, it.value }
  end
end
