# Loads point clouds through ORVAX and the reference engine, the way a host script does:
# a callback object that prints what the engine reports, one facade, one load request,
# then queries, a display setting, a camera pose, visibility, a clipping box, release.
#
#   make demo                                     (builds, then runs this on the sample scene)
#   ruby examples/load_point_clouds.rb [FILE...]  (after a build; PLY and LAS files)
#
# ORVAX_BUILD_DIR names the build folder (default: build/ beside this folder).
require 'json'

$stdout.sync = true
build = ENV['ORVAX_BUILD_DIR'] || File.expand_path('../build', __dir__)
# The host's layout: the extension in <stage>/lib, the engine library in <stage>.
$LOAD_PATH.unshift(File.join(build, 'stages', 'reference', 'lib'))
require 'ORVAX'

# Every engine event arrives at one of these methods; each prints one plain line.
class PrintingCallbacks < ORVAX::INativeToRuby
  def RubyMessageBox(message)
    puts "  [message] #{message.strip}"
  end

  def RubyYesNoBox(question)
    puts "  [question] #{question} -> yes"
    1
  end

  def RubyAddScene(values, text)
    puts "  [scene] #{text} #{values.inspect}"
  end

  def point_cloud_loaded(name, ok)
    puts "  [point_cloud_loaded] #{name} ok=#{ok}"
  end

  def callAnalytics_pointCloudLoaded(text)
    puts "  [analytics] cloud loaded #{text}"
  end

  def callAnalytics_Initialization(loaded, *_rest)
    puts "  [analytics] initialised loaded=#{loaded}"
  end

  def callAnalytics_errorMessageEngagement(text)
    puts "  [analytics] error #{text}"
  end

  def callAnalytics_closeApplication(text)
    puts "  [analytics] close #{text}"
  end

  def updateSceneObserver(text)
    puts "  [scene observer] #{text}"
  end

  def getSectionPlanes
    []
  end

  %w[getModelMatrix updateView forceUpdateView updateHtml initializeSettings
     createClippingBox removeClippingBox].each do |name|
    define_method(name) { puts "  [#{name}]" }
  end
end

def box_text(values)
  return '(none)' if values.empty?
  min = values[0, 3].map { |v| format('%.3f', v) }
  max = values[3, 3].map { |v| format('%.3f', v) }
  "min (#{min.join(', ')}) max (#{max.join(', ')})"
end

files = ARGV.empty? ? Dir.glob(File.join(build, 'samples', '*.{ply,las}')).sort : ARGV
abort "no sample files in #{File.join(build, 'samples')}: build first (make build)" if files.empty?

facade = ORVAX::MyNativeClass.new(PrintingCallbacks.new)

puts "1. Load request for #{files.size} file(s)"
request = JSON.generate('bk_version_number' => 2400, 'major_version' => 24,
                        'minor_version' => 1, 'files' => files)
reply = facade.LoadMultiPointCloud(request)
abort 'the engine did not load (see the message above)' if reply.empty?
summary = JSON.parse(reply)['clouds']
summary.each do |cloud|
  if cloud['status'] == 'loaded'
    puts "  #{cloud['name']}: #{cloud['points']} points, #{cloud['format']}"
  else
    puts "  #{cloud['name']}: not loaded (#{cloud['message']})"
  end
end

puts '2. What the engine holds'
names = facade.getNameVector
puts "  names: #{names.join(', ')}"
puts "  entities: #{facade.getNumberofEntity}, filters: #{facade.getVisibilityFilterVector.size}"
puts "  bounding box: #{box_text(facade.getBoundingBox)}"
origin = facade.getBoundingBox[0, 3].map(&:floor)
unless origin.empty?
  facade.setGlobalOffset(*origin)
  puts "  global offset: #{facade.getGlobalOffset.inspect}"
  puts "  bounding box from there: #{box_text(facade.getBoundingBox)}"
end

puts '3. A display setting changed and read back'
begin
  facade.setPointSize(3.5)
rescue TypeError
  puts '  TypeError for a point size of 3.5'
end
facade.setPointSize(3)
puts "  point size: #{facade.getPointSize}"

puts '4. A camera pose sent'
facade.setEye(30.0, -20.0, 15.0)
facade.setXAxis(1.0, 0.0, 0.0)
facade.setYAxis(0.0, 0.6, 0.8)
facade.setZAxis(0.0, -0.8, 0.6)
eye_and_axis = facade.getCurrentPointAndNormal.map { |v| format('%.1f', v) }
puts "  engine camera: eye (#{eye_and_axis[0, 3].join(', ')}) axis (#{eye_and_axis[3, 3].join(', ')})"

loaded = summary.select { |cloud| cloud['status'] == 'loaded' }
unless loaded.empty?
  largest = loaded.max_by { |cloud| cloud['points'] }['name']
  puts "5. #{largest} hidden and shown"
  facade.setVisibilityByName(largest, false)
  puts "  visibility: #{facade.getVisibilityVector.inspect}"
  puts "  bounding box without it: #{box_text(facade.getBoundingBox)}"
  facade.setVisibilityByName(largest, true)
  puts "  visibility: #{facade.getVisibilityVector.inspect}"

  puts '6. Clipping boxes'
  facade.getClippingBoxVector.each_with_index do |box, i|
    bounds = box.sxXyYzZ.to_a.map { |v| format('%.2f', v) }
    puts "  #{names[i]}: x #{bounds[0]}..#{bounds[1]} y #{bounds[2]}..#{bounds[3]} " \
         "z #{bounds[4]}..#{bounds[5]} enabled=#{box.mClippingBoxEnabled}"
  end
end

puts '7. Release'
facade.FreeQPEDll(false)
puts "  engine bound: #{facade.isModuleLoaded}"
