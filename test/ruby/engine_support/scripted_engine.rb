# Controls of the scripted stand-in engine, reached through Fiddle once the extension has
# loaded it. Callbacks run Ruby code, so every control is called holding the GVL.
require 'fiddle'
require 'json'

module EngineSupport
  BUILD_DIR = ENV.fetch('ORVAX_BUILD_DIR') { File.expand_path('../../../build', __dir__) }
  WINDOWS = Gem.win_platform?

  def self.stage(name)
    File.join(BUILD_DIR, 'stages', name)
  end
  def self.engine_path(name)
    File.join(stage(name), 'BrikolanHook.dll')
  end
  # A path as the system writes it: absolute, with backslashes on Windows.
  def self.system_path(path)
    WINDOWS ? File.expand_path(path).tr('/', '\\') : path
  end

  # Opens libraries that are already loaded, never loading one (nil when not loaded).
  module Loaded
    if WINDOWS
      GET_MODULE_HANDLE = Fiddle::Function.new(Fiddle::Handle.new('kernel32.dll')['GetModuleHandleW'],
                                               [Fiddle::TYPE_VOIDP], Fiddle::TYPE_VOIDP)
      def self.open(path)
        path = EngineSupport.system_path(path)
        return nil if GET_MODULE_HANDLE.call("#{path}\0".encode('UTF-16LE')).to_i.zero?

        Fiddle::Handle.new(path) # only counts one more user
      end
      RELEASE = [Fiddle::Handle.new('kernel32')['FreeLibrary'], [Fiddle::TYPE_VOIDP], Fiddle::TYPE_INT].freeze
    else
      RTLD_NOLOAD = 4 # glibc
      # A failed no-load open sets no error text, so Fiddle may hand out a null handle.
      def self.open(path)
        handle = Fiddle::Handle.new(path, Fiddle::RTLD_LAZY | RTLD_NOLOAD)
        handle.to_i.zero? ? nil : handle
      rescue Fiddle::DLError
        nil
      end
      RELEASE = [Fiddle::Handle::DEFAULT['dlclose'], [Fiddle::TYPE_VOIDP], Fiddle::TYPE_INT].freeze
    end
  end

  class ScriptedEngine
    def self.attach(path)
      handle = Loaded.open(path)
      handle && new(handle)
    end

    # Unloads the library at `path`, loaded once by someone else, the way any other code
    # in the process could: drops that reference and the one taken here.
    def self.unload(path)
      handle = Fiddle::Handle.new(path)
      handle.disable_close
      release = Fiddle::Function.new(*Loaded::RELEASE)
      2.times { release.call(handle.to_i) }
    end

    def self.loaded?(path)
      handle = Loaded.open(path)
      handle&.close
      !handle.nil?
    end

    # Controls taking JSON answer parsed JSON; an engine error raises. answer: what slot
    # `slot` answers from now on; script: while inside slot `slot`, call callback `callback`.
    int, pointer, void = Fiddle::TYPE_INT, Fiddle::TYPE_VOIDP, Fiddle::TYPE_VOID
    CONTROLS = { reset: [[], void], forget_calls: [[], void], clear_slot: [[int], void], log: [[], pointer],
                 answer: [[int, pointer], pointer], fire: [[int, pointer], pointer],
                 fire_on_thread: [[int, pointer], pointer], script: [[int, int, pointer], pointer] }.freeze

    def initialize(handle)
      @handle = handle
      @controls = CONTROLS.map do |name, (args, result)|
        [name, Fiddle::Function.new(handle["orvax_engine_#{name}"], args, result, need_gvl: true)]
      end.to_h
    end

    %i[reset forget_calls clear_slot].each { |name| define_method(name) { |*args| @controls[name].call(*args) } }
    def answer(slot, value)
      checked(@controls[:answer].call(slot, JSON.generate(value)))
    end
    %i[fire fire_on_thread].each do |name|
      define_method(name) { |slot, *args| checked(@controls[name].call(slot, JSON.generate(args))) }
    end
    def script(slot, callback, *args)
      checked(@controls[:script].call(slot, callback, JSON.generate(args)))
    end
    # Lets go of the library (attaching took a reference to it).
    def close
      @handle.close
    end

    # The engine's calls: [slot, args], and [slot, :after_callback, k, result] where a
    # scripted callback returned to the engine.
    def calls
      JSON.parse(@controls[:log].call.to_s).map do |entry|
        k = entry['after_callback']
        k ? [entry['slot'], :after_callback, k, entry['result']] : [entry['slot'], entry['args']]
      end
    end
    def calls_to(slot)
      calls.select { |c| c[0] == slot && c.size == 2 }.map(&:last)
    end

    private

    def checked(pointer)
      result = JSON.parse(pointer.to_s)
      raise "scripted engine: #{result['error']}" if result.is_a?(Hash) && result.key?('error')

      result
    end
  end
end
