# Controls of the scripted stand-in engine, reached through Fiddle; callbacks run Ruby code, so they hold the GVL.
require 'fiddle'
require 'json'

module EngineSupport
  BUILD_DIR = ENV.fetch('ORVAX_BUILD_DIR') { File.expand_path('../../../build', __dir__) }
  WINDOWS = Gem.win_platform?

  def self.stage(name); File.join(BUILD_DIR, 'stages', name); end
  def self.engine_path(name); File.join(stage(name), 'BrikolanHook.dll'); end
  # A path as the system writes it: absolute, with backslashes on Windows.
  def self.system_path(path); WINDOWS ? File.expand_path(path).tr('/', '\\') : path; end

  # Opens a library only when it is already loaded (nil otherwise); releases one reference.
  module Loaded
    pointer = Fiddle::TYPE_VOIDP
    loader = WINDOWS ? Fiddle::Handle.new('kernel32.dll') : Fiddle::Handle::DEFAULT
    RELEASE = Fiddle::Function.new(loader[WINDOWS ? 'FreeLibrary' : 'dlclose'], [pointer], Fiddle::TYPE_INT)
    if WINDOWS
      MODULE_HANDLE = Fiddle::Function.new(loader['GetModuleHandleW'], [pointer], pointer)
      def self.open(path)
        path = EngineSupport.system_path(path)
        MODULE_HANDLE.call("#{path}\0".encode('UTF-16LE')).to_i.zero? ? nil : Fiddle::Handle.new(path)
      end
    else
      # RTLD_NOLOAD (glibc). A failed no-load open sets no error text: Fiddle may hand out a null handle.
      def self.open(path)
        handle = Fiddle::Handle.new(path, Fiddle::RTLD_LAZY | 4)
        handle unless handle.to_i.zero?
      rescue Fiddle::DLError
        nil
      end
    end
  end

  class ScriptedEngine
    def self.attach(path); Loaded.open(path)&.yield_self { |handle| new(handle) }; end
    def self.loaded?(path); !Loaded.open(path)&.close.nil?; end
    # Unloads the library at `path`, loaded by someone else, as other code could: drops that reference and ours.
    def self.unload(path)
      handle = Fiddle::Handle.new(path).tap(&:disable_close)
      2.times { Loaded::RELEASE.call(handle.to_i) }
    end

    # answer: what `slot` answers from now on; script: inside `slot`, call `callback`. JSON in and out; errors raise.
    int, pointer, void = Fiddle::TYPE_INT, Fiddle::TYPE_VOIDP, Fiddle::TYPE_VOID
    CONTROLS = { reset: [[], void], forget_calls: [[], void], clear_slot: [[int], void], log: [[], pointer],
                 answer: [[int, pointer], pointer], fire: [[int, pointer], pointer],
                 fire_on_thread: [[int, pointer], pointer], script: [[int, int, pointer], pointer] }.freeze

    def initialize(handle)
      @handle = handle # attaching took a reference to the library: close lets it go
      @controls = CONTROLS.map do |name, (args, result)|
        [name, Fiddle::Function.new(handle["orvax_engine_#{name}"], args, result, need_gvl: true)]
      end.to_h
    end

    %i[reset forget_calls clear_slot].each { |name| define_method(name) { |*args| @controls[name].call(*args) } }
    def answer(slot, value); control(:answer, slot, value); end
    def fire(slot, *args); control(:fire, slot, args); end
    def fire_on_thread(slot, *args); control(:fire_on_thread, slot, args); end
    def script(slot, callback, *args); control(:script, slot, callback, args); end
    def close; @handle.close; end
    # The engine's calls: [slot, args], and [slot, :after_callback, k, result] where callback k returned to it.
    def calls
      JSON.parse(@controls[:log].call.to_s).map do |entry|
        k = entry['after_callback']
        k ? [entry['slot'], :after_callback, k, entry['result']] : [entry['slot'], entry['args']]
      end
    end

    private def control(name, *args, value)
      result = JSON.parse(@controls[name].call(*args, JSON.generate(value)).to_s)
      raise "scripted engine: #{result['error']}" if result.is_a?(Hash) && result.key?('error')
      result
    end
  end
end
