# Prelude of a scenario: loads the extension of stage ORVAX_STAGE; its callbacks print every call, in order.
$stdout.sync = true
STAGE = ENV.fetch('ORVAX_STAGE')
ENGINE_PATH = File.join(STAGE, 'BrikolanHook.dll')
$LOAD_PATH.unshift(File.join(STAGE, 'lib'))
require 'ORVAX'
require 'fileutils'
require 'tmpdir'
require_relative 'scripted_engine'
# The second extension built from the same sources.
TWIN_LIB = ENV.fetch('ORVAX_TWIN_LIB') { File.join(EngineSupport::BUILD_DIR, 'twin') }

class EchoCallbacks < ORVAX::INativeToRuby
  ANSWERS = { RubyYesNoBox: 1, getSectionPlanes: [1.5] }.freeze
  ORVAX::INativeToRuby.instance_methods(false).each do |name|
    define_method(name) { |*args| puts "cb #{name}#{args.inspect}"; ANSWERS[name] }
  end
end

def show(label, value); puts("#{label}: #{value.inspect}"); end
def facade(callbacks = EchoCallbacks.new); ORVAX::MyNativeClass.new(callbacks); end
def f; $facade ||= facade; end
def engine; EngineSupport::ScriptedEngine.attach(ENGINE_PATH); end
def engine_loaded?; EngineSupport::ScriptedEngine.loaded?(ENGINE_PATH); end
# A copy of the engine at `name` in a temporary folder (Windows keeps a loaded library's file: it may stay).
at_exit { FileUtils.rm_rf($copies) if $copies }
def engine_copy(name)
  File.join($copies ||= Dir.mktmpdir, name).tap { |path| FileUtils.mkdir_p(File.dirname(path)); FileUtils.cp(ENGINE_PATH, path) }
end
