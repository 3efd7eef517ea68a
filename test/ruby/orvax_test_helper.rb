# Shared set-up of the Ruby suites: loads the built extension and offers helpers.
module OrvaxTest
  LIB = ENV.fetch('ORVAX_LIB') { File.expand_path('../../build/lib', __dir__) }
  $LOAD_PATH.unshift(LIB)
  # The extension first: end procedures run in reverse order, so the tests run before it retires its table.
  require 'ORVAX'
  require 'minitest/autorun'

  # A compaction before every test, or the collector stressed for the suite or (GcStress) for a class.
  module GcStress; end
  module WholeSuiteGc
    def before_setup
      GC.compact if ENV['ORVAX_GC_COMPACT'] && GC.respond_to?(:compact)
      GC.stress = true if ENV['ORVAX_GC_STRESS_ALL'] || (ENV['ORVAX_GC_STRESS'] && is_a?(GcStress))
      super
    end
    def after_teardown
      super
      GC.stress = false
    end
  end

  # A callback object that records every call made to it.
  class RecordingCallbacks < ORVAX::INativeToRuby
    attr_reader :calls
    attr_accessor :yes_no_answer, :section_planes

    def initialize; super; @calls, @yes_no_answer, @section_planes = [], 1, []; end
    def record(name, *args); @calls << [name, *args]; nil; end
    ORVAX::INativeToRuby.instance_methods(false).each do |name|
      answer = { RubyYesNoBox: :@yes_no_answer, getSectionPlanes: :@section_planes }[name]
      define_method(name) { |*args| record(name, *args); answer && instance_variable_get(answer) }
    end
  end

  # Methods with their argument counts, in registration order.
  def self.arities(text); text.split.map { |pair| name, count = pair.split(':'); [name.to_sym, Integer(count)] }.freeze; end

  DOUBLES = 'std::vector< double,std::allocator< double > > const &'
  FLOATS = 'std::vector< float,std::allocator< float > > const &'
  TENTH = [0.1].pack('f').unpack1('f') # 0.1 narrowed to single precision
  # Argument type texts by the letters of FacadeMethod#codes.
  ARGUMENT_TYPES = { 'i' => 'int', 'q' => 'long long', 'd' => 'double', 'f' => 'float', 'b' => 'bool',
                     's' => 'std::string const &', 'S' => 'std::string const', 'F' => FLOATS }.freeze

  # One facade method. codes: a letter per argument (ARGUMENT_TYPES), or the bare count. slot: the
  # engine slot it forwards to; unbound: its result with no engine (:empty = frozen []); bound: the
  # engine is sent `sent`, answers `answer`, the method returns `result`; reaches: the callback called.
  FacadeMethod = Struct.new(:name, :codes, :args, :slot, :unbound, :sent, :answer, :result, :reaches) do
    def checked?; codes.is_a?(String); end
    def arity; checked? ? codes.size : codes; end
    def types; codes.chars.map { |c| ARGUMENT_TYPES.fetch(c) }; end
  end
  def self.row(name, codes, args = [], slot = nil, unbound = nil, sent: args, answer: nil, result: answer, reaches: nil)
    FacadeMethod.new(name, codes, args, slot, unbound, sent, answer, result, reaches)
  end
  def self.getter(name, slot, unbound, answer, result = answer)
    row(name, '', [], slot, unbound, answer: answer, result: result)
  end
  def self.reaching(name, args = [], operation = name); row(name, args.size, args, reaches: operation); end
  def self.counts(text); arities(text).map { |name, count| row(name, count) }; end

  FACADE = [
    *counts('initialize:1 proto:1 nativeSleep:0'), row(:CallBackToRuby, 's', ['x']), row(:isAnyPointCloudLoaded, '', [], nil, false),
    *counts('LoadMultiPointCloud:1'), row(:AddPointCloud, 'SS', ['a.e57', "b\u0000"], 20),
    row(:InitCloudProcessor, 's', ['cfg'], 21, false, answer: false, result: true), row(:CloseCloudProcessor, '', [], 27),
    row(:ProcessCloud, 'Fs', [[1, 2.5, 0.1], 'p'], 23, :empty, sent: [[1.0, 2.5, TENTH], 'p'], answer: [0.5, 0.25]),
    row(:ProcessModel, 'FFs', [[1], [2, 3], 'm'], 24, :empty, sent: [[1.0], [2.0, 3.0], 'm'], answer: [1.5]),
    getter(:GetAmplitudeParameters, 25, :empty, [3.25, 0.1], [3.25, TENTH]),
    getter(:GetOutputJSon, 26, 'This message should never appear', '{"ok":1}'), row(:ComputeCellNb, 'f', [0.1], 22, 0.0, sent: [TENTH], answer: 2.5),
    row(:autoOrientate, 'b', [true], 28, :empty, sent: [true, 0], answer: { status: 0, values: [1.5, 2] }, result: [1.5, 2.0]),
    getter(:applyTemporaryTransformation, 4, nil, nil), row(:scalePointCloud, 'f', [0.1], 5, sent: [TENTH]), row(:initConnect, 'q', [7]),
    getter(:getLoadedCloudName, 39, '', 'cloud'), row(:setPointSize, 'i', [3], 6), row(:setColorMode, 'i', [2], 7),
    row(:setContrast, 'd', [-1.5], 57), row(:setBrightness, 'd', [2], 58, sent: [2.0]), row(:setBKVersion, 'q', [2**31], 60),
    row(:setSceneIsMoving, 'b', [false], 59), row(:setVisibilityMode, 'i', [-1], 9), row(:setShadingMode, 'i', [4], 10),
    row(:setTransparency, 'd', [1], 11, sent: [1.0]), row(:setPickingLockMode, 'i', [2], 15), getter(:getPickingLockMode, 16, 0, 7),
    getter(:getBoundingBox, 72, :empty, [0, 1, 0, 1, 0, 1], [0.0, 1.0, 0.0, 1.0, 0.0, 1.0]),
    getter(:getPointCloudCurrentTransformation, 73, :empty, [1.0] * 16), getter(:getGlobalOffset, 74, :empty, [10, 20, 30], [10.0, 20.0, 30.0]),
    row(:setGlobalOffset, 'ddd', [1, 2, 3], 75, sent: [1.0, 2.0, 3.0]), row(:setRealTimeTextured, 'd', [0.5], 12), row(:setPickingMode, 'i', [1], 13),
    row(:setResolution, 'd', [0.25], 47), row(:setConditionalBlending, 'd', [0.75], 48), row(:activateCutView, 'b', [true], 53),
    row(:setThickness, 'd', [0.125], 54), row(:setActiveTool, 'i', [5], 34), getter(:getNumberofEntity, 29, 0, 4),
    getter(:getNumberofFilters, 30, 0, 2), getter(:setFocus, 31, nil, nil), *counts('openFileDialogMulti:1'), getter(:reinitProject, 18, nil, nil),
    getter(:switchHooks, 19, nil, nil), getter(:getVisibilityVector, 32, :empty, [true, false]), getter(:getMainCloudVector, 33, :empty, [false]),
    getter(:getNameVector, 40, :empty, ['a', "\u00e9"], ['a', "\u00e9".b]), getter(:getClippingBoxVector, nil, :empty, nil),
    getter(:getStationNameVector, 35, :empty, %w[s1 s2]), *counts('getQPEStationNames:0'),
    getter(:getStationPositionVector, 38, :empty, [1, 2, 3.5], [1.0, 2.0, 3.5]),
    getter(:getCurrentPointAndNormal, 50, :empty, [0, 0, 1], [0.0, 0.0, 1.0]), row(:getPath, 'i', [2], 51, :empty, answer: [4.5]),
    row(:getClippingBoxFromDepth, 'd' * 13, (1..13).to_a, 52, :empty, sent: (1..13).map(&:to_f), answer: [9.5]),
    row(:setVisibility, 'ib', [1, true], 41), row(:setVisibilityByName, 'sb', ['cloud', false], 42),
    getter(:getVisibilityFilterVector, 43, :empty, [true]), row(:setVisibilityFilter, 'ib', [0, false], 44),
    row(:setVisibilityFilterByName, 'sb', ['f', true], 45), row(:setComparisonDistanceValue, 'd', [3.5], 49),
    *%i[setEye setXAxis setYAxis setZAxis].map { |name| row(name, 'ddd', [1, 2, 3.5]) }, row(:setDecimationWhenMovingPurc, 'i', [40], 55),
    getter(:getDecimationPurc, 56, 0, -40), *counts('getDevice_ID:0'),
    *%i[getModelMatrix getSectionPlanes updateView forceUpdateView updateHtml].map { |n| reaching(n) },
    reaching(:bkPopUpMessage, ['m'], :RubyMessageBox), reaching(:bkPopUpOKQuestionMessage, ['q'], :RubyYesNoBox),
    reaching(:addScene, [[1], 't'], :RubyAddScene), reaching(:callAnalytics_pointCloudLoaded, ['a']),
    reaching(:callAnalytics_Initialization, ['1', 2, '3', '4', '5', '6', '7']), reaching(:callAnalytics_errorMessageEngagement, ['e']),
    reaching(:callAnalytics_closeApplication, ['c']), reaching(:point_cloud_loaded, ['p', true]),
    *%i[createClippingBox removeClippingBox initializeSettings].map { |n| reaching(n) },
    *counts('updateSceneObserver:1 initModule:0 initDLL:3 LoadQPEDll:4 TestLoadDll:2 FreeQPEDll:1'), getter(:killOverlays, 2, nil, nil),
    *counts('isModuleLoaded:0'), getter(:StopRendering, 8, nil, nil), getter(:getThickness, 61, 0.0, 0.25),
    getter(:getActivateCutView, 62, false, true), getter(:getRealTimeTextured, 63, 0.0, 0.5), getter(:getDistanceThreshold, 64, 0.0, 12.5),
    getter(:getTransparency, 65, 0.0, 0.75), getter(:getShadingMode, 66, 0, 2**40), getter(:getVisibilityMode, 67, 0, -2**40),
    getter(:getColorMode, 68, 0, 3), getter(:getBrightness, 69, 0.0, 1.5), getter(:getContrast, 70, 0.0, -0.5), getter(:getPointSize, 71, 0, -3),
    getter(:getBKMSavedName, 81, '', [0x6D, 0xE9, 0xD83D, 0xDE00], "m\u00e9".b + [0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80].pack('C*'))
  ].freeze
  FACADE_ARITIES = FACADE.map { |m| [m.name, m.arity] }.freeze

  CALLBACK_ARITIES = arities(<<~TEXT)
    initialize:0 RubyMessageBox:1 RubyAddScene:2 RubyYesNoBox:1 getModelMatrix:0 updateView:0 forceUpdateView:0 updateHtml:0
    point_cloud_loaded:2 callAnalytics_pointCloudLoaded:1 callAnalytics_Initialization:7 callAnalytics_errorMessageEngagement:1
    callAnalytics_closeApplication:1 getSectionPlanes:0 initializeSettings:0 createClippingBox:0 removeClippingBox:0 updateSceneObserver:1
  TEXT

  # The type descriptor names, sorted byte-wise.
  MAP = 'std__mapT_std__string_std__string_std__lessT_std__string_t_std__allocatorT_std__pairT_std__string_const_std__string_t_t_t'
  ELEMENTS = %w[ClippingBox SectionPlane bool double float int std__string].freeze
  TYPE_NAMES = [*%w[ClippingBox INativeToRuby MyNativeClass SectionPlane allocator_type char const_reference difference_type
                    key_type mapped_type p_void reference size_type std__lessT_std__string_t std__wstring swig__ConstIterator
                    swig__GC_VALUE swig__Iterator value_type void MAP MAP__iterator MAP__reverse_iterator],
                *(ELEMENTS + %w[std__pairT_std__string_const_std__string_t]).map { |t| "std__allocatorT_#{t}_t" },
                *ELEMENTS.map { |t| "std__vectorT_#{t}_std__allocatorT_#{t}_t_t" }]
               .map { |name| "_p_#{name.sub('MAP', MAP)}" }.sort.freeze

  # The argument-error text for an argument at native `position` (receiver = 1).
  def self.type_message(type, method, position, value, prefix: '')
    text = value.inspect
    text = "#{text.byteslice(0, 30)}..." if text.bytesize > 30
    "#{prefix}Expected argument #{position - 1} of type #{type}, but got #{value.class} #{text}\n\tin SWIG method '#{method}'"
  end
  def self.null_message(type, method, position, value = nil)
    type_message(type, method, position, value, prefix: 'invalid null reference ')
  end
  def self.facade(callbacks = RecordingCallbacks.new); ORVAX::MyNativeClass.new(callbacks); end
  # A facade with recording callbacks for each test: @facade, @callbacks.
  module WithFacade
    def setup; super; @facade = OrvaxTest.facade(@callbacks = RecordingCallbacks.new); end
  end

  module Assertions
    # Asserts `block` raises `klass` with exactly `message`.
    def assert_raises_message(klass, message, note = nil, &block)
      error = assert_raises(*[klass, note].compact, &block)
      assert_equal [klass, message], [error.class, error.message], note
      error
    end
    def err(klass = ArgumentError, &call); assert_raises(klass, &call).message; end
    # An overload error listing its prototypes.
    def protos(name, *lines, count: '')
      "Wrong #{count}arguments for overloaded method '#{name}'.\nPossible C/C++ prototypes are:\n#{lines.map { |l| "    #{l}\n" }.join}"
    end
    # The output of `code` in a fresh interpreter that finds (and, with `load`, has loaded) the extension; it must succeed.
    def ruby_output(code, env = {}, load: true, binmode: false)
      require 'open3'
      out, err, status = Open3.capture3({ 'ORVAX_LIB' => LIB }.merge(env), RbConfig.ruby, '-W0', '-I', __dir__, '-I', LIB,
                                        *(load ? ['-rORVAX'] : []), '-e', code, binmode: binmode)
      assert status.success?, "#{status}\n#{out}\n#{err}"
      out
    end
    # The output lines of a scenario, which changes process-wide engine state: `code` run after engine_support/child.rb
    # against stage `stage`. Its lines and the extension's console lines, narrow and wide, each end with the platform's
    # end of line, and hold nothing else.
    def run_scenario(stage, code)
      require_relative 'engine_support/scripted_engine'
      out = ruby_output("require 'engine_support/child'\n#{code}", { 'ORVAX_STAGE' => EngineSupport.stage(stage) },
                        load: false, binmode: true)
      ending = EngineSupport::WINDOWS ? "\r\n" : "\n"
      assert out.end_with?(ending), out
      out.force_encoding(Encoding::UTF_8).split(ending)
    end
  end
  Minitest::Test.send(:include, WholeSuiteGc, Assertions)
end
