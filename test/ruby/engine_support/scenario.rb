# Runs a scenario that changes process-wide engine state in an interpreter of its own.
require 'open3'
require 'rbconfig'
require_relative 'scripted_engine'

module EngineSupport
  module Scenario
    INCOMPATIBLE = "The current version of the Point Cloud extension is not compatible with " \
                   "this version of Brikolan\n"
    CHILD = File.expand_path('child.rb', __dir__)

    # Runs `code` after the child prelude against stage `stage_name`; answers its output
    # lines (raw: its bytes). A failing scenario fails the test with its error output.
    def run_scenario(stage_name, code, raw: false)
      stage = EngineSupport.stage(stage_name)
      skip "stage #{stage_name} is not built" unless File.exist?(File.join(stage, 'lib', 'ORVAX.so'))
      out, err, status = Open3.capture3({ 'ORVAX_STAGE' => stage }, RbConfig.ruby, '-W0', '-e',
                                        "require #{CHILD.dump}\n#{code}", binmode: raw)
      assert status.success?, "scenario failed (#{status}):\n#{out}\n#{err}"
      raw ? out : out.lines(chomp: true)
    end

    # The console lines of a first load from `stage_name`: directory and library path as
    # the system names the extension's own file, then (started) the engine's line.
    def path_lines(stage_name)
      directory = EngineSupport.system_path(EngineSupport.stage(stage_name)) + (EngineSupport::WINDOWS ? '\\' : '/')
      [directory, directory + 'BrikolanHook.dll']
    end
    def started(stage_name)
      [*path_lines(stage_name), 'Start QPE']
    end
  end
end
