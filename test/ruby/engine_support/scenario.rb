# Runs a scenario that changes process-wide engine state in an interpreter of its own.
require 'open3'
require 'rbconfig'
require_relative 'scripted_engine'

module EngineSupport
  module Scenario
    CHILD = File.expand_path('child.rb', __dir__)

    # The output lines of `code` run after the child prelude against stage `stage_name`. The child's lines and the
    # extension's console lines, narrow and wide, each end with the platform's end of line, and hold nothing else.
    def run_scenario(stage_name, code)
      out, err, status = Open3.capture3({ 'ORVAX_STAGE' => EngineSupport.stage(stage_name) }, RbConfig.ruby, '-W0', '-e',
                                        "require #{CHILD.dump}\n#{code}", binmode: true)
      assert status.success?, "scenario failed (#{status}):\n#{out}\n#{err}"
      ending = EngineSupport::WINDOWS ? "\r\n" : "\n"
      assert out.end_with?(ending), out
      out.force_encoding(Encoding::UTF_8).split(ending)
    end

    # The console lines of a first load: the directory and library path the system names, then (started) the engine's.
    def path_lines(stage_name)
      directory = EngineSupport.system_path(EngineSupport.stage(stage_name)) + (EngineSupport::WINDOWS ? '\\' : '/')
      [directory, directory + 'BrikolanHook.dll']
    end
    def started(stage_name); [*path_lines(stage_name), 'Start QPE']; end
  end
end
