# A tour of ORVAX against the scripted stand-in engine: a script subclasses the callback
# interface, creates the facade, sends a load request, changes display settings and
# hears the engine's callbacks.
#
#   ruby examples/demo.rb      (after a build; make demo runs load_point_clouds.rb)
$stdout.sync = true
build = ENV.fetch('ORVAX_BUILD_DIR') { File.expand_path('../build', __dir__) }
stage = File.join(build, 'stages', 'scripted')
$LOAD_PATH.unshift(File.join(stage, 'lib'))
ENV['ORVAX_BUILD_DIR'] = build
require 'ORVAX'
require_relative '../test/ruby/engine_support/scripted_engine'

# The host's side: every engine event arrives at one of these methods.
class HostCallbacks < ORVAX::INativeToRuby
  def RubyMessageBox(message)
    puts("  [message box] #{message.strip}")
  end
  def RubyYesNoBox(question)
    puts "  [question] #{question} -> yes"
    1
  end
  def RubyAddScene(values, text)
    puts("  [scene] #{text}: #{values.inspect}")
  end
  def getModelMatrix
    puts('  [model matrix requested]')
  end
  def updateView
    puts('  [view updated]')
  end
  def forceUpdateView
    puts('  [view forced]')
  end
  def updateHtml
    puts('  [html updated]')
  end
  def point_cloud_loaded(name, ok)
    puts("  [cloud loaded] #{name} ok=#{ok}")
  end
  def callAnalytics_pointCloudLoaded(text)
    puts("  [analytics] cloud loaded #{text}")
  end
  def callAnalytics_Initialization(loaded, *rest)
    puts("  [analytics] initialised loaded=#{loaded} #{rest.inspect}")
  end
  def callAnalytics_errorMessageEngagement(text)
    puts("  [analytics] error #{text}")
  end
  def callAnalytics_closeApplication(text)
    puts("  [analytics] close #{text}")
  end
  def getSectionPlanes
    [0.0, 0.0, 1.0, -2.5]
  end
  def initializeSettings
    puts('  [settings initialised]')
  end
  def createClippingBox
    puts('  [clipping box created]')
  end
  def removeClippingBox
    puts('  [clipping box removed]')
  end
  def updateSceneObserver(text)
    puts("  [scene observer] #{text}")
  end
end

facade = ORVAX::MyNativeClass.new(HostCallbacks.new)

puts '1. Before the engine is loaded every method answers its empty result:'
puts "  isModuleLoaded=#{facade.isModuleLoaded} getNameVector=#{facade.getNameVector.inspect} " \
     "getNumberofEntity=#{facade.getNumberofEntity}"

puts '2. Bad input is refused with the exact error, and nothing reaches the engine:'
begin
  facade.setPointSize(3.5)
rescue TypeError => e
  puts "  TypeError: #{e.message.inspect}"
end

puts '3. The engine library is loaded from beside the extension and initialised:'
puts "  loaded=#{facade.LoadQPEDll(true, 2400, 24, 1)}"
# Teach the stand-in engine its answers: slot 17 replies to the load request and, while
# handling it, reports the loaded cloud through callback slot 90; slot 40 lists names.
engine = EngineSupport::ScriptedEngine.attach(EngineSupport.engine_path('scripted'))
engine.answer(17, '{"loaded": ["office.e57"]}')
engine.answer(40, ['office.e57'])
engine.script(17, 90, 'office.e57', true)

puts '4. A load request goes to the engine, whose reply is the result:'
request = '{"bk_version_number": 2400, "major_version": 24, "minor_version": 1, ' \
          '"files": ["C:/scans/office.e57"]}'
puts "  reply: #{facade.LoadMultiPointCloud(request)}"

puts '5. Display settings and queries go to engine slots:'
facade.setPointSize(3)
facade.setTransparency(1)
puts "  isAnyPointCloudLoaded=#{facade.isAnyPointCloudLoaded} names=#{facade.getNameVector.inspect}"
calls = engine.calls.select { |call| [6, 11].include?(call[0]) }
puts "  engine received: #{calls.inspect}"

puts '6. The engine calls back into the script:'
engine.fire(86, 'Scan registration finished')
puts "  engine asked a question and got #{engine.fire(87, 'Keep the clipping box?').inspect}"
engine.fire(96, 'Saved as Büro.bkm')

puts '7. Releasing the engine:'
facade.FreeQPEDll(false)
puts "  isModuleLoaded=#{facade.isModuleLoaded}"
