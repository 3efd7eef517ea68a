# The example's road end to end, in a process of its own: the reference engine staged beside
# the extension loads the sample scene (or the files given), and the script's output shows
# each callback and each answer.
require 'minitest/autorun'
require 'rbconfig'
require 'open3'
require 'tmpdir'
require 'fileutils'

class TestLoadPointClouds < Minitest::Test
  BUILD = ENV['ORVAX_BUILD_DIR'] || File.expand_path('../../build', __dir__)
  EXAMPLE = File.expand_path('../../examples/load_point_clouds.rb', __dir__)
  SAMPLES = File.join(BUILD, 'samples')
  SAMPLE_POINTS = { 'bench.ply' => 1500, 'building.las' => 16_000, 'courtyard_ground.las' => 24_000,
                    'lamp_post.ply' => 1200, 'trees.ply' => 9000 }.freeze

  def run_ruby(*args)
    output, status = Open3.capture2e({ 'ORVAX_BUILD_DIR' => BUILD }, RbConfig.ruby, *args)
    [output.gsub("\r\n", "\n"), status]
  end

  def test_the_sample_scene
    output, status = run_ruby(EXAMPLE)
    assert status.success?, output
    SAMPLE_POINTS.each do |name, points|
      assert_match(/^  #{Regexp.escape(name)}: #{points} points, (PLY|LAS) /, output)
      # Loaded, then reported to analytics, before the one view update of the request.
      assert_match(/\[point_cloud_loaded\] #{Regexp.escape(name)} ok=true\n  \[analytics\] cloud loaded .*"points":#{points}/,
                   output)
    end
    assert_equal 1, output.scan(/\[updateView\]\n  bench.ply: /).size, output
    expected = [
      '  names: bench.ply, building.las, courtyard_ground.las, lamp_post.ply, trees.ply',
      '  entities: 5, filters: 2',
      '  global offset: [512340.0, 5403210.0, 211.0]',
      '  bounding box from there: min (0.001, 0.001, 0.940) max (40.000, 29.997, 8.005)',
      '  TypeError for a point size of 3.5',
      '  point size: 3',
      '  engine camera: eye (30.0, -20.0, 15.0) axis (0.0, -0.8, 0.6)',
      '5. courtyard_ground.las hidden and shown',
      '  visibility: [true, true, false, true, true]',
      '  bounding box without it: min (2.156, 2.000, 1.000) max (36.000, 28.000, 8.005)',
      '  visibility: [true, true, true, true, true]',
      '  courtyard_ground.las: x 0.00..40.00 y 0.00..30.00 z 0.94..1.06 enabled=false',
      '  engine bound: false'
    ]
    lines = output.lines.map(&:chomp)
    expected.each { |line| assert_includes lines, line, output }
    assert_equal 5, lines.grep(/ enabled=false$/).size
  end

  def test_files_it_cannot_read
    Dir.mktmpdir do |dir|
      cut = File.join(dir, 'cut.las')
      File.binwrite(cut, File.binread(File.join(SAMPLES, 'building.las'))[0, 5000])
      laz = File.join(dir, 'scan.laz')
      FileUtils.cp(File.join(SAMPLES, 'courtyard_ground.las'), laz)
      missing = File.join(dir, 'missing.ply')
      good = File.join(SAMPLES, 'bench.ply')
      output, status = run_ruby(EXAMPLE, cut, laz, missing, good)
      assert status.success?, output
      { cut => 'declares 16000 points, but the file holds only',
        laz => 'compressed LAS (LAZ) files are not read',
        missing => 'the file cannot be opened' }.each do |path, reason|
        name = File.basename(path)
        assert_match(/\[message\] Cannot load point cloud #{Regexp.escape(path)}: .*#{Regexp.escape(reason)}.*\n  \[point_cloud_loaded\] #{name} ok=false/,
                     output)
        assert_match(/^  #{name}: not loaded \(/, output)
      end
      assert_match(/^  names: bench.ply$/, output)
    end
  end

  # The tour of the scripted engine reaches it through the C library's no-load open.
  def test_the_scripted_tour_still_runs
    skip 'the scripted engine is reached through glibc' if Gem.win_platform?
    output, status = run_ruby(File.expand_path('../../examples/demo.rb', __dir__))
    assert status.success?, output
    assert_includes output.lines.map(&:chomp).last, 'isModuleLoaded=false'
  end

  def test_a_host_version_it_does_not_serve
    script = <<-RUBY
      $LOAD_PATH.unshift(File.join(ENV['ORVAX_BUILD_DIR'], 'stages', 'reference', 'lib'))
      require 'ORVAX'
      class Callbacks < ORVAX::INativeToRuby
        def RubyMessageBox(text)
          puts "message: \#{text}"
        end

        def callAnalytics_Initialization(loaded, *_rest)
          puts "initialised: \#{loaded}"
        end
      end
      facade = ORVAX::MyNativeClass.new(Callbacks.new)
      reply = facade.LoadMultiPointCloud('{"bk_version_number": 1900, "major_version": 19, "minor_version": 0, "files": []}')
      puts "reply: \#{reply.inspect}"
    RUBY
    output, status = run_ruby('-e', script)
    assert status.success?, output
    assert_includes output, 'host 1900 (19.0) is not supported; majors 21 to 26 are'
    assert_includes output, 'message: Cannot initialize Cloud Workbench.'
    assert_includes output, "initialised: 0\nreply: \"\""
  end
end
