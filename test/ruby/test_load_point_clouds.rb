# The example end to end: the reference engine loads the sample scene (or the files given), in a process of its own.
# Which host versions the engine serves is its own test; the extension's side of a refusal is in the lifecycle test.
require 'minitest/autorun'
require 'open3'
require 'tmpdir'

class TestLoadPointClouds < Minitest::Test
  BUILD = ENV['ORVAX_BUILD_DIR'] || File.expand_path('../../build', __dir__)
  EXAMPLE = File.expand_path('../../examples/load_point_clouds.rb', __dir__)
  SAMPLES = File.join(BUILD, 'samples')

  def run_ruby(*args)
    output, status = Open3.capture2e({ 'ORVAX_BUILD_DIR' => BUILD }, RbConfig.ruby, *args)
    assert status.success?, output
    output.gsub("\r\n", "\n")
  end

  def test_the_sample_scene
    output = run_ruby(EXAMPLE)
    { 'bench.ply' => 1500, 'building.las' => 16_000, 'courtyard_ground.las' => 24_000, 'lamp_post.ply' => 1200,
      'trees.ply' => 9000 }.each do |name, points|
      # Loaded, then reported to analytics, before the one view update of the request.
      assert_match(/\[point_cloud_loaded\] #{Regexp.escape(name)} ok=true\n  \[analytics\] cloud loaded .*"points":#{points}/, output)
      assert_match(/^  #{Regexp.escape(name)}: #{points} points, (PLY|LAS) /, output)
    end
    assert_equal 1, output.scan(/\[updateView\]\n  bench.ply: /).size, output
    lines = output.lines.map(&:chomp)
    ['  names: bench.ply, building.las, courtyard_ground.las, lamp_post.ply, trees.ply', '  entities: 5, filters: 2',
     '  bounding box from there: min (0.001, 0.001, 0.940) max (40.000, 29.997, 8.005)',
     '  TypeError for a point size of 3.5', '  engine camera: eye (30.0, -20.0, 15.0) axis (0.0, -0.8, 0.6)',
     '  bounding box without it: min (2.156, 2.000, 1.000) max (36.000, 28.000, 8.005)',
     '  engine bound: false'].each { |line| assert_includes lines, line, output }
    assert_equal 5, lines.grep(/ enabled=false$/).size
  end

  # The reader's reasons are the engine's own (tested there): one is enough here.
  def test_files_it_cannot_read
    Dir.mktmpdir do |dir|
      cut = File.join(dir, 'cut.las')
      File.binwrite(cut, File.binread(File.join(SAMPLES, 'building.las'))[0, 5000])
      output = run_ruby(EXAMPLE, cut, File.join(SAMPLES, 'bench.ply'))
      assert_match(/\[message\] Cannot load point cloud #{Regexp.escape(cut)}: .*declares 16000 points, but the file holds only.*\n  \[point_cloud_loaded\] cut.las ok=false/,
                   output)
      assert_match(/^  cut.las: not loaded \(/, output)
      assert_match(/^  names: bench.ply$/, output)
    end
  end
end
