# Two extensions built from the same sources share the support module, the pointer
# classes, the tracking table and the type descriptors.
require 'orvax_test_helper'
require 'json'
require_relative 'engine_support/scenario'

class TestTwin < Minitest::Test
  def self.facts
    @facts ||= begin
      lib = ENV.fetch('ORVAX_LIB') { File.expand_path('../../build/lib', __dir__) }
      twin = ENV.fetch('ORVAX_TWIN_LIB') { File.expand_path('../twin', lib) }
      out, err, status = OrvaxTest.run_ruby(File.read(File.join(__dir__, 'twin_probe.rb')),
                                            'ORVAX_LIB' => lib, 'ORVAX_TWIN_LIB' => twin)
      raise "twin probe failed (#{status.inspect}):\n#{err}" unless status.success?
      JSON.parse(out)
    end
  end

  def facts
    self.class.facts
  end

  def test_support_objects_are_shared
    assert facts['shared'], 'SWIG, SWIG::Pointer, the tracking Hash, the runtime global and the TYPE classes are reused'
    assert_equal [38, true], facts.values_at('type_classes', 'twin_pointer_superclass')
  end

  def test_ring_of_two_modules
    assert_equal [2, [38, 38], [0, 0]], facts.values_at('ring_size', 'sizes', 'terminators')
  end

  def test_second_module_uses_the_first_modules_descriptors
    assert facts['same_descriptors'], 'every descriptor of the second module is the first module\'s'
    assert_equal 38, facts['twin_replaced'], 'the second module\'s own descriptors are all replaced'
    assert_equal facts['names'], facts['twin_initial_names']
  end

  def test_descriptor_names_and_readable_names
    names = facts['names']
    assert_equal OrvaxTest::TYPE_NAMES, names
    expected = { '_p_MyNativeClass' => 'MyNativeClass *', '_p_INativeToRuby' => 'INativeToRuby *',
                 '_p_ClippingBox' => 'ClippingBox *', '_p_swig__ConstIterator' => 'swig::ConstIterator *',
                 '_p_std__vectorT_double_std__allocatorT_double_t_t' =>
                   'std::vector< double,std::allocator< double > > *|std::vector< double > *',
                 '_p_void' => 'VALUE|void *', '_p_char' => 'char *' }
    assert_equal expected, names.zip(facts['readable']).to_h.slice(*expected.keys)
    assert_equal [0], facts['owns_class_record']
  end

  def test_objects_cross_between_extensions
    first_calls, twin_calls = facts['cross_calls']
    assert_equal [['RubyMessageBox', 'to first'], ['updateView']], first_calls
    assert_equal [['RubyMessageBox', 'to twin']], twin_calls
    assert_equal [[], nil, false], facts['first_still_works']
  end

  def test_errors_after_both_loaded
    deleted, twin_deleted, wrong_first, wrong_twin, abstract = facts['errors']
    assert_equal %w[ObjectPreviouslyDeleted ObjectPreviouslyDeleted TypeError TypeError],
                 [deleted, twin_deleted, wrong_first, wrong_twin].map(&:first)
    assert_match(/\AExpected argument 0 of type MyNativeClass \*, but got ORVAX::MyNativeClass /, deleted[1])
    assert_match(/\AExpected argument 0 of type INativeToRuby &, but got ORVAXTWIN::MyNativeClass /, wrong_first[1])
    assert_equal ['NameError', 'accessing abstract class or protected constructor'], abstract
  end

  include EngineSupport::Scenario

  # A collected facade of the first extension stops being the current one although the
  # twin's free function is the one recorded for the shared type last; and a peer's
  # wrapper is typed by its class, not by a tag a script rewrote.
  def test_first_extension_facade_and_retagged_peer_wrappers_with_the_twin_loaded
    lines = run_scenario('scripted', <<~'RUBY')
      $LOAD_PATH.unshift(ENV.fetch('ORVAX_TWIN_LIB'))
      require 'ORVAXTWIN'
      facade.LoadQPEDll(false, 2400, 24, 1)
      seen = ObjectSpace::WeakMap.new
      make_current = lambda do
        current = facade
        current.getNumberofEntity
        seen[current] = true
        nil
      end
      5.times do
        make_current.call
        3.times { GC.start(full_mark: true, immediate_sweep: true) }
        break if seen.keys.empty?
      end
      show 'collected', seen.keys.empty?
      show 'planes', engine.fire(92)
      retagged = ORVAXTWIN::IntVector.new([1, 2])
      retagged.instance_variable_set(:@__swigtype__, '_p_ClippingBox')
      begin
        ORVAX::ClippingBoxVector.new.push(retagged)
      rescue TypeError => e
        show 'refused', e.message[/but got \S+/]
      end
    RUBY
    collected = lines.include?('collected: true')
    skip 'the facade stayed reachable from the stack' unless collected
    assert_equal ['planes: []', 'refused: "but got ORVAXTWIN::IntVector"'], lines.last(2)
  end
end
