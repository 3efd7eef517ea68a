# Prints how fast facade methods run through the method machinery (no engine bound):
# calls per second for a few typical shapes. It measures; it never fails.
#   ruby -I build/lib bench/method_calls.rb
require 'benchmark'
$LOAD_PATH.unshift(File.expand_path('../build/lib', __dir__))
require 'ORVAX'

class Callbacks < ORVAX::INativeToRuby
  def RubyMessageBox(_message)
    nil
  end
  def getSectionPlanes
    [1.0, 2.0, 3.0]
  end
end

facade = ORVAX::MyNativeClass.new(Callbacks.new)
text = 'x' * 64
floats = Array.new(1000) { |i| i * 0.5 }
n = Integer(ENV.fetch('N', 200_000))

cases = {
  'setPointSize(3)' => -> { facade.setPointSize(3) },
  'setGlobalOffset(1.0, 2, 3.5)' => -> { facade.setGlobalOffset(1.0, 2, 3.5) },
  'CallBackToRuby(64-byte String)' => -> { facade.CallBackToRuby(text) },
  'getNameVector (frozen empty Array)' => -> { facade.getNameVector },
  'ProcessCloud(1000 Floats, String)' => -> { facade.ProcessCloud(floats, text) },
  'bkPopUpMessage (reaches Ruby)' => -> { facade.bkPopUpMessage(text) },
  'getSectionPlanes (Ruby -> doubles -> Array)' => -> { facade.getSectionPlanes },
  'setPointSize("x") (TypeError raised)' => lambda {
    begin
      facade.setPointSize('x')
    rescue TypeError
      nil
    end
  },
}

puts format('%-44s %12s %10s', 'call', 'calls/s', 'us/call')
cases.each do |name, body|
  count = name.start_with?('ProcessCloud') ? n / 20 : n
  seconds = Benchmark.realtime { count.times { body.call } }
  puts format('%-44s %12.0f %10.3f', name, count / seconds, seconds * 1e6 / count)
end
