# The module file exports the interpreter's entry point and nothing else.
require 'orvax_test_helper'
require 'open3'

class TestModuleExports < Minitest::Test
  def test_only_the_entry_point_is_exported
    path = $LOADED_FEATURES.find { |f| File.basename(f) == 'ORVAX.so' }
    out, status = Open3.capture2('nm', '-D', '--defined-only', path)
    assert status.success?
    symbols = out.lines.map { |line| line.split.last }
    assert_equal ['Init_ORVAX'], symbols
  end
end
