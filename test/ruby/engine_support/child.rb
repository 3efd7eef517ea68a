# Prelude of a scenario that runs in an interpreter of its own: loads the extension of
# the stage named by ORVAX_STAGE and offers callbacks that print every call, so the
# scenario's standard output tells console lines and callbacks in the order they came.
$stdout.sync = true
STAGE = ENV.fetch('ORVAX_STAGE')
ENGINE_PATH = File.join(STAGE, 'BrikolanHook.dll')
$LOAD_PATH.unshift(File.join(STAGE, 'lib'))
require 'ORVAX'
require_relative 'scripted_engine'

class EchoCallbacks < ORVAX::INativeToRuby
  def self.echo(*names)
    names.each do |name|
      define_method(name) do |*args|
        puts "cb #{name}#{args.inspect}"
        nil
      end
    end
  end
  echo :RubyMessageBox, :RubyAddScene, :getModelMatrix, :updateView, :forceUpdateView,
       :updateHtml, :point_cloud_loaded, :callAnalytics_pointCloudLoaded,
       :callAnalytics_Initialization, :callAnalytics_errorMessageEngagement,
       :callAnalytics_closeApplication, :initializeSettings, :createClippingBox,
       :removeClippingBox, :updateSceneObserver

  def RubyYesNoBox(question)
    puts "cb RubyYesNoBox[#{question.inspect}]"
    1
  end

  def getSectionPlanes
    puts 'cb getSectionPlanes[]'
    [1.5]
  end
end

def show(label, value)
  puts("#{label}: #{value.inspect}")
end
def facade(callbacks = EchoCallbacks.new)
  ORVAX::MyNativeClass.new(callbacks)
end
# The facade of a scenario that needs only one with echoing callbacks.
def f
  $facade ||= facade
end
def engine
  EngineSupport::ScriptedEngine.attach(ENGINE_PATH)
end
def engine_loaded?
  EngineSupport::ScriptedEngine.loaded?(ENGINE_PATH)
end
