# In-process engine tests: the extension copy staged beside the scripted engine, which stays loaded.
require_relative 'scripted_engine'
ENV['ORVAX_LIB'] = File.join(EngineSupport.stage('scripted'), 'lib')
require 'orvax_test_helper'

module EngineSupport
  # A fresh engine log and answers, and a facade bound to the engine with its own recording callbacks.
  module InProcess
    OrvaxTest.facade.LoadQPEDll(false, 2400, 24, 1) || raise('the scripted engine did not load')
    ENGINE = ScriptedEngine.attach(EngineSupport.engine_path('scripted'))
    attr_reader :engine, :callbacks, :facade

    def setup
      super
      (@engine = ENGINE).reset
      @facade = OrvaxTest.facade(@callbacks = OrvaxTest::RecordingCallbacks.new)
      @facade.getNumberofEntity # now the one the engine's callbacks serve
      @engine.forget_calls
    end
    def teardown
      @engine.reset
      super
    end
  end
end
