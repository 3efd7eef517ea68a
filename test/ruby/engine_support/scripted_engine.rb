# Controls of the scripted stand-in engine, reached through Fiddle once the extension has
# loaded it. Callbacks run Ruby code, so every control is called holding the GVL.
require 'fiddle'
require 'json'
require 'rbconfig'

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

  # Finds libraries that are already loaded, without loading them.
  module Loaded
    if WINDOWS
      KERNEL = Fiddle::Handle.new('kernel32.dll')
      GET_MODULE_HANDLE = Fiddle::Function.new(KERNEL['GetModuleHandleW'], [Fiddle::TYPE_VOIDP], Fiddle::TYPE_VOIDP)

      # Opening a library that is loaded only counts one more user of it.
      def self.open(path)
        path = EngineSupport.system_path(path)
        return nil if GET_MODULE_HANDLE.call("#{path}\0".encode('UTF-16LE')).to_i.zero?

        Fiddle::Handle.new(path)
      end
    else
      RTLD_NOLOAD = 4 # glibc; opens only what is already loaded

      # A failed no-load open sets no error text, so Fiddle may hand out a null handle.
      def self.open(path)
        handle = Fiddle::Handle.new(path, Fiddle::RTLD_LAZY | RTLD_NOLOAD)
        handle.to_i.zero? ? nil : handle
      rescue Fiddle::DLError
        nil
      end
    end
  end

  class ScriptedEngine
    # The engine at `path` when something already loaded it, else nil. Never loads it.
    def self.attach(path)
      handle = Loaded.open(path)
      handle && new(handle)
    end

    # Unloads the library at `path`, loaded once by someone else, the way any other code
    # in the process could: drops that reference and the one taken here.
    def self.unload(path)
      handle = Fiddle::Handle.new(path)
      handle.disable_close
      2.times { release_library.call(handle.to_i) }
    end

    def self.release_library
      @release_library ||=
        if RbConfig::CONFIG['host_os'] =~ /mswin|mingw/
          Fiddle::Function.new(Fiddle::Handle.new('kernel32')['FreeLibrary'],
                               [Fiddle::TYPE_VOIDP], Fiddle::TYPE_INT)
        else
          Fiddle::Function.new(Fiddle::Handle::DEFAULT['dlclose'], [Fiddle::TYPE_VOIDP],
                               Fiddle::TYPE_INT)
        end
    end

    def self.loaded?(path)
      handle = Loaded.open(path)
      handle&.close
      !handle.nil?
    end

    def initialize(handle)
      @handle = handle
      int, pointer, void = Fiddle::TYPE_INT, Fiddle::TYPE_VOIDP, Fiddle::TYPE_VOID
      function = ->(name, args, result) { Fiddle::Function.new(handle["orvax_engine_#{name}"], args, result, need_gvl: true) }
      @reset = function.('reset', [], void)
      @forget_calls = function.('forget_calls', [], void)
      @log = function.('log', [], pointer)
      @answer, @fire, @fire_on_thread = %w[answer fire fire_on_thread].map { |n| function.(n, [int, pointer], pointer) }
      @script = function.('script', [int, int, pointer], pointer)
      @clear_slot = function.('clear_slot', [int], void)
    end

    def reset
      @reset.call
    end
    def forget_calls
      @forget_calls.call
    end
    # Lets go of the library (attaching took a reference to it).
    def close
      @handle.close
    end
    def clear_slot(slot)
      @clear_slot.call(slot)
    end

    # What engine slot `slot` answers from now on (see the engine's source for shapes).
    def answer(slot, value)
      checked(@answer.call(slot, JSON.generate(value)))
    end

    # The engine's calls: [slot, args] pairs, and [slot, :after_callback, k, result]
    # where a scripted callback returned to the engine.
    def calls
      JSON.parse(@log.call.to_s).map do |entry|
        if entry.key?('after_callback')
          [entry['slot'], :after_callback, entry['after_callback'], entry['result']]
        else
          [entry['slot'], entry['args']]
        end
      end
    end

    # Calls made to one slot: the argument lists.
    def calls_to(slot)
      calls.select { |c| c[0] == slot && c.size == 2 }.map(&:last)
    end

    def fire(slot, *args)
      checked(@fire.call(slot, JSON.generate(args)))
    end
    def fire_on_thread(slot, *args)
      checked(@fire_on_thread.call(slot, JSON.generate(args)))
    end

    # While inside engine slot `slot`, call callback `callback` with `args`.
    def script(slot, callback, *args)
      checked(@script.call(slot, callback, JSON.generate(args)))
    end

    private

    def checked(pointer)
      result = JSON.parse(pointer.to_s)
      raise "scripted engine: #{result['error']}" if result.is_a?(Hash) && result.key?('error')

      result
    end
  end
end
