# In-process engine tests: the extension copy staged beside the scripted engine, loaded
# once for the whole file (the engine stays loaded in the process).
require_relative 'scripted_engine'
ENV['ORVAX_LIB'] = File.join(EngineSupport.stage('scripted'), 'lib')
abort "#{ENV['ORVAX_LIB']}/ORVAX.so is missing: build orvax_engine_stages" unless File.exist?(File.join(ENV['ORVAX_LIB'], 'ORVAX.so'))
require 'orvax_test_helper'

module EngineSupport
  def self.engine
    @engine ||= begin
      boot = ORVAX::MyNativeClass.new(OrvaxTest::RecordingCallbacks.new)
      raise 'the scripted engine did not load' unless boot.LoadQPEDll(false, 2400, 24, 1)

      ScriptedEngine.attach(engine_path('scripted'))
    end
  end

  # Fresh engine log and answers, and a facade bound to the engine with its own
  # recording callbacks.
  module InProcess
    attr_reader :engine, :callbacks, :facade

    def setup
      super
      @engine = EngineSupport.engine
      @engine.reset
      @callbacks = OrvaxTest::RecordingCallbacks.new
      @facade = ORVAX::MyNativeClass.new(@callbacks)
      @facade.getNumberofEntity # now the one the engine's callbacks serve
      @engine.forget_calls
    end

    def teardown
      @engine&.reset
      super
    end
  end
end
