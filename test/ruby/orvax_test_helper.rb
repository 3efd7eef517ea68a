# Shared set-up of the Ruby suites: loads the built extension and offers helpers.
lib = ENV.fetch('ORVAX_LIB') { File.expand_path('../../build/lib', __dir__) }
$LOAD_PATH.unshift(lib)
# The extension first: end procedures run in reverse order, so the tests (run by
# minitest's) come before the extension's own, which retires its value-reference table.
require 'ORVAX'
require 'minitest/autorun'

module OrvaxTest
  # Include in a test class to run its tests under GC.stress in the stress run.
  module GcStress
    def setup
      super
      GC.stress = true if ENV['ORVAX_GC_STRESS']
    end

    def teardown
      GC.stress = false
      super
    end
  end

  # A callback object that records every call made to it.
  class RecordingCallbacks < ORVAX::INativeToRuby
    attr_reader :calls
    attr_accessor :yes_no_answer, :section_planes

    def initialize
      super
      @calls = []
      @yes_no_answer = 1
      @section_planes = []
    end

    def record(name, *args)
      @calls << [name, *args]
      nil
    end

    %i[RubyMessageBox RubyAddScene getModelMatrix updateView forceUpdateView updateHtml
       point_cloud_loaded callAnalytics_pointCloudLoaded callAnalytics_Initialization
       callAnalytics_errorMessageEngagement callAnalytics_closeApplication initializeSettings
       createClippingBox removeClippingBox updateSceneObserver].each do |name|
      define_method(name) { |*args| record(name, *args) }
    end

    def RubyYesNoBox(question)
      record(:RubyYesNoBox, question)
      @yes_no_answer
    end

    def getSectionPlanes
      record(:getSectionPlanes)
      @section_planes
    end
  end

  # The message of an exception without the source excerpt that newer interpreters
  # append to NameError messages.
  def self.plain_message(error)
    error.respond_to?(:original_message) ? error.original_message : error.message
  end

  # Methods with their argument counts, in registration order.
  def self.arities(text) = text.split.map { |pair| name, count = pair.split(':'); [name.to_sym, Integer(count)] }.freeze

  FACADE_ARITIES = arities(<<~TEXT)
    initialize:1 proto:1 nativeSleep:0 CallBackToRuby:1 isAnyPointCloudLoaded:0
    LoadMultiPointCloud:1 AddPointCloud:2 InitCloudProcessor:1 CloseCloudProcessor:0 ProcessCloud:2
    ProcessModel:3 GetAmplitudeParameters:0 GetOutputJSon:0 ComputeCellNb:1 autoOrientate:1
    applyTemporaryTransformation:0 scalePointCloud:1 initConnect:1 getLoadedCloudName:0
    setPointSize:1 setColorMode:1 setContrast:1 setBrightness:1 setBKVersion:1 setSceneIsMoving:1
    setVisibilityMode:1 setShadingMode:1 setTransparency:1 setPickingLockMode:1
    getPickingLockMode:0 getBoundingBox:0 getPointCloudCurrentTransformation:0 getGlobalOffset:0
    setGlobalOffset:3 setRealTimeTextured:1 setPickingMode:1 setResolution:1
    setConditionalBlending:1 activateCutView:1 setThickness:1 setActiveTool:1 getNumberofEntity:0
    getNumberofFilters:0 setFocus:0 openFileDialogMulti:1 reinitProject:0 switchHooks:0
    getVisibilityVector:0 getMainCloudVector:0 getNameVector:0 getClippingBoxVector:0
    getStationNameVector:0 getQPEStationNames:0 getStationPositionVector:0
    getCurrentPointAndNormal:0 getPath:1 getClippingBoxFromDepth:13 setVisibility:2
    setVisibilityByName:2 getVisibilityFilterVector:0 setVisibilityFilter:2
    setVisibilityFilterByName:2 setComparisonDistanceValue:1 setEye:3 setXAxis:3 setYAxis:3
    setZAxis:3 setDecimationWhenMovingPurc:1 getDecimationPurc:0 getDevice_ID:0 getModelMatrix:0
    getSectionPlanes:0 updateView:0 forceUpdateView:0 updateHtml:0 bkPopUpMessage:1
    bkPopUpOKQuestionMessage:1 addScene:2 callAnalytics_pointCloudLoaded:1
    callAnalytics_Initialization:7 callAnalytics_errorMessageEngagement:1
    callAnalytics_closeApplication:1 point_cloud_loaded:2 createClippingBox:0 removeClippingBox:0
    initializeSettings:0 updateSceneObserver:1 initModule:0 initDLL:3 LoadQPEDll:4 TestLoadDll:2
    FreeQPEDll:1 killOverlays:0 isModuleLoaded:0 StopRendering:0 getThickness:0
    getActivateCutView:0 getRealTimeTextured:0 getDistanceThreshold:0 getTransparency:0
    getShadingMode:0 getVisibilityMode:0 getColorMode:0 getBrightness:0 getContrast:0
    getPointSize:0 getBKMSavedName:0
  TEXT

  CALLBACK_ARITIES = arities(<<~TEXT)
    initialize:0 RubyMessageBox:1 RubyAddScene:2 RubyYesNoBox:1 getModelMatrix:0 updateView:0
    forceUpdateView:0 updateHtml:0 point_cloud_loaded:2 callAnalytics_pointCloudLoaded:1
    callAnalytics_Initialization:7 callAnalytics_errorMessageEngagement:1
    callAnalytics_closeApplication:1 getSectionPlanes:0 initializeSettings:0 createClippingBox:0
    removeClippingBox:0 updateSceneObserver:1
  TEXT

  # The type descriptor names, sorted byte-wise.
  TYPE_NAMES = %w[
    _p_ClippingBox _p_INativeToRuby _p_MyNativeClass _p_SectionPlane _p_allocator_type _p_char
    _p_const_reference _p_difference_type _p_key_type _p_mapped_type _p_p_void _p_reference
    _p_size_type _p_std__allocatorT_ClippingBox_t _p_std__allocatorT_SectionPlane_t
    _p_std__allocatorT_bool_t _p_std__allocatorT_double_t _p_std__allocatorT_float_t
    _p_std__allocatorT_int_t _p_std__allocatorT_std__pairT_std__string_const_std__string_t_t
    _p_std__allocatorT_std__string_t _p_std__lessT_std__string_t
    _p_std__mapT_std__string_std__string_std__lessT_std__string_t_std__allocatorT_std__pairT_std__string_const_std__string_t_t_t
    _p_std__mapT_std__string_std__string_std__lessT_std__string_t_std__allocatorT_std__pairT_std__string_const_std__string_t_t_t__iterator
    _p_std__mapT_std__string_std__string_std__lessT_std__string_t_std__allocatorT_std__pairT_std__string_const_std__string_t_t_t__reverse_iterator
    _p_std__vectorT_ClippingBox_std__allocatorT_ClippingBox_t_t
    _p_std__vectorT_SectionPlane_std__allocatorT_SectionPlane_t_t
    _p_std__vectorT_bool_std__allocatorT_bool_t_t _p_std__vectorT_double_std__allocatorT_double_t_t
    _p_std__vectorT_float_std__allocatorT_float_t_t _p_std__vectorT_int_std__allocatorT_int_t_t
    _p_std__vectorT_std__string_std__allocatorT_std__string_t_t _p_std__wstring
    _p_swig__ConstIterator _p_swig__GC_VALUE _p_swig__Iterator _p_value_type _p_void
  ].freeze

  DOUBLES = 'std::vector< double,std::allocator< double > > const &'
  FLOATS = 'std::vector< float,std::allocator< float > > const &'

  # The argument-error text for an argument at native `position` (receiver = 1).
  def self.type_message(type, method, position, value, prefix: '')
    text = value.inspect
    text = "#{text.byteslice(0, 30)}..." if text.bytesize > 30
    "#{prefix}Expected argument #{position - 1} of type #{type}, but got " \
      "#{value.class} #{text}\n\tin SWIG method '#{method}'"
  end

  def self.null_message(type, method, position, value = nil)
    type_message(type, method, position, value, prefix: 'invalid null reference ')
  end

  def self.facade(callbacks = RecordingCallbacks.new)
    ORVAX::MyNativeClass.new(callbacks)
  end

  # Runs Ruby code in a fresh interpreter with the same load path; returns
  # [stdout, stderr, status].
  def self.run_ruby(code, env = {})
    require 'open3'
    lib = ENV.fetch('ORVAX_LIB') { File.expand_path('../../build/lib', __dir__) }
    full_env = { 'ORVAX_LIB' => lib }.merge(env)
    Open3.capture3(full_env, RbConfig.ruby, '-W0', '-I', __dir__, '-e', code)
  end

  # Asserts `block` raises `klass` with exactly `message`.
  module Assertions
    def assert_raises_message(klass, message, note = nil, &block)
      error = assert_raises(*[klass, note].compact, &block)
      assert_equal klass, error.class, note
      assert_equal message, error.message, note
      error
    end
  end
end
