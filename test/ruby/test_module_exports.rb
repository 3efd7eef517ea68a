# The module file exports the interpreter's entry point and nothing else.
require 'orvax_test_helper'
require 'open3'

class TestModuleExports < Minitest::Test
  # The export names of a PE file, read from its export directory.
  def self.pe_export_names(path)
    image = File.binread(path)
    at = ->(offset, format) { image.unpack("@#{offset}#{format}") }
    header = at.call(0x3C, 'V')[0]
    sections, = at.call(header + 6, 'v')
    optional_size, = at.call(header + 20, 'v')
    export_rva, = at.call(header + 24 + 112, 'V') # first data directory of a PE32+ header
    table = header + 24 + optional_size
    file_offset = lambda do |rva|
      size, start, _, raw = (0...sections).map { |i| at.call(table + 40 * i + 8, 'V4') }
                                          .find { |length, first, _, _| rva >= first && rva < first + length }
      rva - start + raw
    end
    directory = file_offset.call(export_rva)
    count, = at.call(directory + 24, 'V')
    names = file_offset.call(at.call(directory + 32, 'V')[0])
    Array.new(count) { |i| at.call(file_offset.call(at.call(names + 4 * i, 'V')[0]), 'Z*')[0] }
  end

  def test_only_the_entry_point_is_exported
    path = $LOADED_FEATURES.find { |f| File.basename(f) == 'ORVAX.so' }
    if Gem.win_platform?
      symbols = self.class.pe_export_names(path)
    else
      out, status = Open3.capture2('nm', '-D', '--defined-only', path)
      assert status.success?
      symbols = out.lines.map { |line| line.split.last }
    end
    assert_equal ['Init_ORVAX'], symbols
  end
end
