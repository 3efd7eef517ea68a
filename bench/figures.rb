# The extension's call costs as ratios against baselines measured side by side in this
# process, against a do-nothing engine: the rounds interleave the cases, a full collection
# comes before each measurement, and the best time of each case counts. Per-call figures
# leave out the cost of the benchmark's own loop. It measures; it never fails.
#   make bench        (or: ruby bench/figures.rb BUILD_DIR)
require 'fiddle'
require 'rbconfig'

build = ARGV[0] || File.expand_path('../build', __dir__)
STAGE = File.join(build, 'bench', 'stage')
$LOAD_PATH.unshift(File.join(STAGE, 'lib'), File.join(build, 'bench', 'baseline'))
require 'ORVAX'
require 'orvax_baseline'

ROUNDS = Integer(ENV.fetch('ROUNDS', 7))
CALLS = Integer(ENV.fetch('CALLS', 200_000))
CALLBACKS = Integer(ENV.fetch('CALLBACKS', 100_000))
ELEMENTS = Integer(ENV.fetch('ELEMENTS', 1_000_000))

class QuietCallbacks < ORVAX::INativeToRuby
  def RubyMessageBox(_text)
    nil
  end
end

# The measured bodies, each a loop of its own so that no block call is timed.
class Cases
  def initialize
    @callbacks = QuietCallbacks.new
    @facade = ORVAX::MyNativeClass.new(@callbacks)
    quietly { raise 'the bench engine did not load' unless @facade.LoadQPEDll(false, 2400, 24, 1) }
    engine = Fiddle::Handle.new(File.join(STAGE, 'BrikolanHook.dll'))
    Fiddle::Function.new(engine['orvax_bench_set_positions'], [Fiddle::TYPE_LONG],
                         Fiddle::TYPE_VOID).call(ELEMENTS)
    @message = Fiddle::Function.new(engine['orvax_bench_message'], [],
                                    Fiddle::TYPE_VOIDP).call.to_s
    slot = Fiddle::Pointer.new(engine['myEntryPoint'] + 6 * Fiddle::SIZEOF_VOIDP).ptr.to_i
    @fiddle_set = Fiddle::Function.new(slot, [Fiddle::TYPE_INT], Fiddle::TYPE_VOID)
    @baseline = OrvaxBaseline.new
    @floats = Array.new(ELEMENTS) { |i| i * 0.25 }
    @doubles = Array.new(ELEMENTS) { |i| 0.5 * (i + 1) }.pack('d*')
  end

  def quietly
    saved = $stdout.dup
    $stdout.reopen(File::NULL)
    yield
  ensure
    $stdout.reopen(saved)
  end

  def self.timed(name, body)
    class_eval("def #{name}(n); i = 0; while i < n; #{body}; i += 1; end; end", __FILE__, __LINE__)
  end
  timed :empty_loop, 'nil'
  timed :bound_set, '@facade.setPointSize(3)'
  timed :c_set, '@baseline.set(3)'
  timed :fiddle_set, '@fiddle_set.call(3)'
  timed :bound_get, '@facade.getPointSize'
  timed :c_get, '@baseline.get'
  timed :engine_callbacks, '@facade.setActiveTool(CALLBACKS)'
  timed :c_funcalls, '@baseline.call_with_text(@callbacks, :RubyMessageBox, @message, CALLBACKS)'
  timed :process_cloud, "@facade.ProcessCloud(@floats, 'x')"
  timed :pack_floats, "@floats.pack('f*')"
  timed :station_positions, '@facade.getStationPositionVector'
  timed :unpack_doubles, "@doubles.unpack('d*')"
end

# name => [calls per measurement, work units per call]
PLAN = {
  empty_loop: [CALLS, 1], bound_set: [CALLS, 1], c_set: [CALLS, 1], fiddle_set: [CALLS, 1],
  bound_get: [CALLS, 1], c_get: [CALLS, 1],
  engine_callbacks: [3, CALLBACKS], c_funcalls: [3, CALLBACKS],
  process_cloud: [1, 1], pack_floats: [1, 1], station_positions: [1, 1], unpack_doubles: [1, 1]
}.freeze
PER_CALL = %i[bound_set c_set fiddle_set bound_get c_get].freeze

FIGURES = [
  ['bound setPointSize(3) / C method', :bound_set, :c_set, '<= 2'],
  ['bound getPointSize / C method', :bound_get, :c_get, '<= 2'],
  ['bound setPointSize(3) / Fiddle', :bound_set, :fiddle_set, '<= 0.1'],
  ['callback 86 -> RubyMessageBox / rb_funcall', :engine_callbacks, :c_funcalls, '<= 1.5'],
  ["ProcessCloud(#{ELEMENTS} Floats) / pack('f*')", :process_cloud, :pack_floats, '<= 0.1'],
  ["getStationPositionVector(#{ELEMENTS}) / unpack('d*')", :station_positions, :unpack_doubles,
   '<= 0.5']
].freeze

def clock
  Process.clock_gettime(Process::CLOCK_MONOTONIC)
end

cases = Cases.new
best = Hash.new(Float::INFINITY)
ROUNDS.times do
  PLAN.each do |name, (count, _units)|
    GC.start(full_mark: true, immediate_sweep: true)
    started = clock
    cases.public_send(name, count)
    best[name] = [best[name], clock - started].min
  end
end

# Seconds per unit of work; per-call figures without the loop around them.
unit = {}
PLAN.each do |name, (count, units)|
  seconds = best[name] / count
  seconds -= best[:empty_loop] / CALLS if PER_CALL.include?(name)
  unit[name] = seconds / units
end

def duration(seconds)
  return format('%.1f ns', seconds * 1e9) if seconds < 1e-6
  return format('%.2f us', seconds * 1e6) if seconds < 1e-3

  format('%.2f ms', seconds * 1e3)
end

cpu = File.read('/proc/cpuinfo')[/model name\s*:\s*(.*)/, 1] if File.exist?('/proc/cpuinfo')
puts "#{RUBY_DESCRIPTION}; #{RbConfig::CONFIG['host_os']}; #{cpu || 'cpu unknown'}"
puts "best of #{ROUNDS} interleaved rounds, full GC before each measurement"
puts format('%-48s %12s %12s %8s %8s', 'figure', 'ours', 'baseline', 'ratio', 'goal')
FIGURES.each do |label, ours, baseline, goal|
  puts format('%-48s %12s %12s %8.2f %8s', label, duration(unit[ours]), duration(unit[baseline]),
              unit[ours] / unit[baseline], goal)
end
puts format('(loop of the per-call figures: %s per iteration, not counted)',
            duration(best[:empty_loop] / CALLS))
