# The texts of the fuzzer's values, by family; pool.rb makes values of them. Plain data,
# so the driver can generate and print cases without loading the extension.
module FuzzTexts
  VECTORS = %w[IntVector DoubleVector FloatVector BoolVector StringVector ClippingBoxVector SectionPlaneVector].freeze
  CLASSES = (VECTORS + %w[StringStringMap ClippingBox MyNativeClass INativeToRuby Iterator ConstIterator GC_VALUE]).freeze

  # Texts of values, by family. Each is evaluated once into a maker.
  SCALARS = ['0', '-1', '1', '2', '7', '2**31 - 1', '2**31', '-2**31 - 1', '2**32', '2**63', '-2**64', '2**100',
             '0.0', '-0.0', '1.5', '0.1', 'Float::NAN', 'Float::INFINITY', '-Float::INFINITY', '1e39', 'Float::MAX',
             'nil', 'true', 'false', "''", "'a'", '"a\0b"', '"\xFF\xFE".dup', '"\xC3\xA9"', "'x' * 100",
             "'abc'.freeze", "'c'.encode('UTF-16LE')", ':a', ':"\0"', 'Object.new', 'BasicObject.new'].freeze
  COMPOUNDS = ['[]', '[1, 2, 3]', '[1.5, -2]', "['a', 'b']", '[nil]', '[[1]]', 'Fuzz.self_array', '[true, false]',
               '[Fuzz.box(1.0)]', '[1, :x]', "[Float::NAN, 'x']", '{}', "{ 'a' => 'b' }", '{ 1 => 2 }', '{ a: 1 }',
               '0..2', '1...-1', "'a'..'c'", 'Fuzz::Liar.new(:raise)', 'Fuzz::Liar.new(:wrong)',
               'Fuzz::Liar.new(:nil)', '[Fuzz::Liar.new(:raise)]', "{ 'k' => Fuzz::Liar.new(:wrong) }"].freeze
  BEHAVIOURS = %i[plain raise throw break wrong gc reenter].freeze
  WRAPPERS = VECTORS.flat_map do |v|
    ["ORVAX::#{v}.new", "ORVAX::#{v}.new(3)", "ORVAX::#{v}.allocate", "ORVAX::#{v}.new(2).freeze",
     "Class.new(ORVAX::#{v}).new(1)"]
  end + ['ORVAX::IntVector.new([1, 2, 3]).begin', 'ORVAX::DoubleVector.new([1.5]).rbegin',
         "ORVAX::StringVector.new(['a']).end", 'Fuzz.stale_iterator(ORVAX::IntVector.new([1, 2]))',
         'Fuzz.orphan_iterator', 'ORVAX::Iterator.allocate', 'ORVAX::ConstIterator.allocate',
         "ORVAX::StringStringMap.new('a' => '1').key_iterator", "ORVAX::StringStringMap.new('a' => '1').value_iterator",
         "ORVAX::StringStringMap.new('a' => '1', 'b' => '2')", 'ORVAX::StringStringMap.new',
         'ORVAX::StringStringMap.allocate', 'ORVAX::ClippingBox.new', 'ORVAX::ClippingBox.allocate',
         'ORVAX::ClippingBoxVector.new([Fuzz.box(2.0)]).front', 'ORVAX::SectionPlaneVector.new(2).back',
         'ORVAX::SectionPlaneVector.new(1)[0]', "Fuzz.retagged(ORVAX::IntVector.new([1]), '_p_ClippingBox')",
         "Fuzz.retagged(ORVAX::StringStringMap.new, '_p_MyNativeClass')", "Fuzz.retagged(Object.new, '_p_int')",
         'ORVAX::INativeToRuby.allocate', 'ORVAX::MyNativeClass.allocate'] +
             BEHAVIOURS.map { |b| "Fuzz.callbacks(:#{b})" } + BEHAVIOURS.map { |b| "Fuzz.facade(:#{b})" }
  TEXTS = (SCALARS + COMPOUNDS + WRAPPERS).freeze
end
