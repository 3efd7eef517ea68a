# The module file exports the interpreter's entry point and nothing else.
require 'orvax_test_helper'
require 'open3'

class TestModuleExports < Minitest::Test
  # The export names of a PE file, read from its export directory.
  def self.pe_export_names(path)
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
                self.class.pe_export_names(path)
              else
                Open3.capture2('nm', '-D', '--defined-only', path).tap { |_, status| assert status.success? }[0].lines.map { |line| line.split.last }
              end
    assert_equal ['Init_ORVAX'], symbols
  end
end
