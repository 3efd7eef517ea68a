# In-process engine tests: the extension copy staged beside the scripted engine, which stays loaded.
require_relative 'scripted_engine'
ENV['ORVAX_LIB'] = File.join(EngineSupport.stage('scripted'), 'lib')
abort "#{ENV['ORVAX_LIB']}/ORVAX.so is missing: build orvax_engine_stages" unless File.exist?(File.join(ENV['ORVAX_LIB'], 'ORVAX.so'))
require 'orvax_test_helper'

module EngineSupport
  def self.engine
    @engine ||= OrvaxTest.facade.LoadQPEDll(false, 2400, 24, 1) ? ScriptedEngine.attach(engine_path('scripted')) : raise('no engine')
  end

  # A fresh engine log and answers, and a facade bound to the engine with its own recording callbacks.
  module InProcess
    attr_reader :engine, :callbacks, :facade

    def setup
      super
      (@engine = EngineSupport.engine).reset
      @facade = OrvaxTest.facade(@callbacks = OrvaxTest::RecordingCallbacks.new)
      @facade.getNumberofEntity # now the one the engine's callbacks serve
      @engine.forget_calls
    end
    def teardown
      @engine&.reset
      super
    end
  end
end
