# Shared set-up of the Ruby suites: loads the built extension and offers helpers.
require 'minitest/autorun'

lib = ENV.fetch('ORVAX_LIB') { File.expand_path('../../build/lib', __dir__) }
$LOAD_PATH.unshift(lib)
require 'ORVAX'

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

    def RubyMessageBox(message) = record(:RubyMessageBox, message)
    def RubyAddScene(values, text) = record(:RubyAddScene, values, text)
    def RubyYesNoBox(question)
      record(:RubyYesNoBox, question)
      @yes_no_answer
    end
    def getModelMatrix = record(:getModelMatrix)
    def updateView = record(:updateView)
    def forceUpdateView = record(:forceUpdateView)
    def updateHtml = record(:updateHtml)
    def point_cloud_loaded(text, flag) = record(:point_cloud_loaded, text, flag)
    def callAnalytics_pointCloudLoaded(text) = record(:callAnalytics_pointCloudLoaded, text)
    def callAnalytics_Initialization(*args) = record(:callAnalytics_Initialization, *args)
    def callAnalytics_errorMessageEngagement(text) = record(:callAnalytics_errorMessageEngagement, text)
    def callAnalytics_closeApplication(text) = record(:callAnalytics_closeApplication, text)
    def getSectionPlanes
      record(:getSectionPlanes)
      @section_planes
    end
    def initializeSettings = record(:initializeSettings)
    def createClippingBox = record(:createClippingBox)
    def removeClippingBox = record(:removeClippingBox)
    def updateSceneObserver(text) = record(:updateSceneObserver, text)
  end

  # The message of an exception without the source excerpt that newer interpreters
  # append to NameError messages.
  def self.plain_message(error)
    error.respond_to?(:original_message) ? error.original_message : error.message
  end
end
