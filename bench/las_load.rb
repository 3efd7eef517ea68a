# How long the reference engine takes to load a large LAS file, against reading the same
# file into memory: the ratio says how far loading stays bounded by reading.
#
#   ruby bench/las_load.rb [POINTS]      (after a build; default 10,000,000 points)
#
# The file (LAS 1.2, point format 1, 28 bytes a point) is written to the temporary folder and
# removed afterwards. Both timings are the best of three with the file in the page cache.
require 'json'
require 'tmpdir'

$stdout.sync = true
build = ENV['ORVAX_BUILD_DIR'] || File.expand_path('../build', __dir__)
$LOAD_PATH.unshift(File.join(build, 'stages', 'reference', 'lib'))
require 'ORVAX'

points = Integer(ARGV.fetch(0, '10000000'))
generator = File.join(build, 'engines', 'reference', 'reference_samples')
generator += '.exe' if File.exist?(generator + '.exe')

class QuietCallbacks < ORVAX::INativeToRuby
  def RubyMessageBox(text)
    puts "  [message] #{text}"
  end

  %w[point_cloud_loaded callAnalytics_pointCloudLoaded callAnalytics_Initialization
     callAnalytics_closeApplication updateView].each do |name|
    define_method(name) { |*_args| nil }
  end
end

def best_of(runs)
  Array.new(runs) do
    start = Process.clock_gettime(Process::CLOCK_MONOTONIC)
    yield
    Process.clock_gettime(Process::CLOCK_MONOTONIC) - start
  end.min
end

Dir.mktmpdir do |dir|
  path = File.join(dir, 'large.las')
  system(generator, '--las', points.to_s, path) || abort("cannot run #{generator}")
  size = File.size(path)
  facade = ORVAX::MyNativeClass.new(QuietCallbacks.new)
  request = JSON.generate('bk_version_number' => 2400, 'major_version' => 24,
                          'minor_version' => 1, 'files' => [path])
  File.binread(path) # into the page cache
  read = best_of(3) { File.binread(path) }
  reply = nil
  load = best_of(3) { reply = facade.LoadMultiPointCloud(request) }
  loaded = JSON.parse(reply)['clouds'].first
  abort "not loaded: #{loaded['message']}" unless loaded['status'] == 'loaded'
  facade.FreeQPEDll(false)
  puts format('file:   %d points, %.0f MB (%s)', loaded['points'], size / 1e6, loaded['format'])
  puts format('read:   %.3f s  (%.0f MB/s)', read, size / 1e6 / read)
  puts format('load:   %.3f s  (%.1f million points/s)', load, points / 1e6 / load)
  puts format('ratio:  %.2f  (load time / read time)', load / read)
end
