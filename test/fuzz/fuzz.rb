# Random calls of every method of every class of the extension, in forked batches of Ruby
# lines. A crash, a hang, an exception of a class no method may raise, or `$!` left set after
# a line fails the run: the batch is reduced to its fewest failing lines, which are printed.
#   ruby test/fuzz/fuzz.rb --calls N --seed S [--modes unbound,bound] [--stress] [--budget SECONDS]
# unbound: the extension alone; bound: the copy beside the scripted engine, loaded, some slots
# firing callbacks. --stress: the children run under GC.stress.
require 'optparse'
require 'tempfile'

module FuzzDriver
  BUILD = ENV.fetch('ORVAX_BUILD_DIR') { File.expand_path('../../build', __dir__) }
  LIBS = { 'unbound' => ENV.fetch('ORVAX_LIB') { File.join(BUILD, 'lib') },
           'bound' => File.join(BUILD, 'stages', 'scripted', 'lib') }.freeze
  # Never called: nativeSleep sleeps, openFileDialogMulti waits for the user, proto reads the
  # whole process memory; in bound batches, the methods that unload or replace the engine.
  SKIP = %i[nativeSleep openFileDialogMulti proto].freeze
  SKIP_BOUND = (SKIP + %i[FreeQPEDll LoadQPEDll TestLoadDll]).freeze
  SLOTS = 16
  # What the texts of receivers of a class contain, where that is not the class's name.
  RECEIVERS = { 'MyNativeClass' => 'facade', 'INativeToRuby' => 'Callbacks', 'Iterator' => 'begin',
                'ConstIterator' => 'iterator' }.freeze
  # Arguments of the callback slots the engine fires.
  FIRE_ARGUMENTS = { 86 => ["m\u0000"], 87 => ['q'], 88 => [[1.5, -2], 's'], 89 => ['e57'], 90 => ['c', true], 91 => ['oops'],
                     96 => [[65, 0xD800, 0]] }.freeze

  # The texts of the values calls take.
  VECTORS = %w[IntVector DoubleVector FloatVector BoolVector StringVector ClippingBoxVector SectionPlaneVector].freeze
  BOX = 'ORVAX::ClippingBox.new.tap { |b| b.mSumBBMinnMax = 1.0 }'.freeze
  TEXTS = (%w[0 -1 1 2 7 2**31-1 2**31 -2**31-1 2**32 2**63 -2**64 2**100 0.0 -0.0 1.5 0.1 Float::NAN Float::INFINITY
              -Float::INFINITY 1e39 Float::MAX nil true false :a Object.new BasicObject.new [] {} 0..2 1...-1] +
           ["''", "'a'", '"a\0b"', '"\xFF\xFE".dup', '"\xC3\xA9"', "'x' * 100", "'abc'.freeze", "'c'.encode('UTF-16LE')",
            ':"\0"', '[1, 2, 3]', '[1.5, -2]', "['a', 'b']", '[nil]', '[[1]]', '[1].tap { |a| a << a }', '[true, false]',
            "[#{BOX}]", '[1, :x]', "[Float::NAN, 'x']", "{ 'a' => 'b' }", '{ 1 => 2 }', '{ a: 1 }', "'a'..'c'",
            'Fuzz::Liar.new(:raise)', 'Fuzz::Liar.new(:wrong)', 'Fuzz::Liar.new(:nil)', '[Fuzz::Liar.new(:raise)]',
            "{ 'k' => Fuzz::Liar.new(:wrong) }"] +
           VECTORS.product(%w[.new .new(3) .allocate .new(2).freeze]).map { |v, make| "ORVAX::#{v}#{make}" } +
           VECTORS.map { |v| "Class.new(ORVAX::#{v}).new(1)" } +
           ['ORVAX::IntVector.new([1, 2, 3]).begin', 'ORVAX::IntVector.new([1, 2, 3]).end',
            'ORVAX::DoubleVector.new([1.5]).rbegin', "ORVAX::StringVector.new(['a']).end",
            'ORVAX::IntVector.new([1, 2]).yield_self { |v| v.begin.tap { v.clear } }', 'ORVAX::Iterator.allocate',
            'ORVAX::ConstIterator.allocate', "ORVAX::StringStringMap.new('a' => '1').key_iterator",
            "ORVAX::StringStringMap.new('a' => '1').value_iterator", "ORVAX::StringStringMap.new('a' => '1', 'b' => '2')",
            'ORVAX::StringStringMap.new', 'ORVAX::StringStringMap.allocate', BOX, 'ORVAX::ClippingBox.allocate',
            "ORVAX::ClippingBoxVector.new([#{BOX}]).front", 'ORVAX::SectionPlaneVector.new(2).back',
            'ORVAX::SectionPlaneVector.new(1)[0]', 'ORVAX::INativeToRuby.allocate', 'ORVAX::MyNativeClass.allocate'] +
           { 'ORVAX::IntVector.new([1])' => '_p_ClippingBox', 'ORVAX::StringStringMap.new' => '_p_MyNativeClass',
             'Object.new' => '_p_int' }.map { |o, tag| "#{o}.tap { |o| o.instance_variable_set(:@__swigtype__, '#{tag}') }" } +
           %w[plain raise throw break wrong gc reenter].flat_map { |b| ["Fuzz::Callbacks.new(:#{b})", "Fuzz.facade(:#{b})"] })
          .freeze

  def self.load_extension(mode)
    $LOAD_PATH.unshift(LIBS.fetch(mode))
    require 'ORVAX'
    require_relative 'pool'
    return unless mode == 'bound'
    require_relative '../ruby/engine_support/scripted_engine'
    raise 'the scripted engine did not load' unless Fuzz.facade(:plain).LoadQPEDll(false, 2400, 24, 1)
    engine = EngineSupport::ScriptedEngine.attach(File.join(BUILD, 'stages', 'scripted', 'BrikolanHook.dll'))
    [[6, 86, 'm'], [6, 87, 'q'], [7, 92], [7, 83], [40, 85], [71, 96, [65, 0]], [29, 84]].each { |s| engine.script(*s) }
    engine
  end

  # [class, name, singleton?] of every method, in a fixed order.
  def self.methods_of_extension
    classes = [ORVAX, SWIG].flat_map { |m| m.constants.sort.map { |c| m.const_get(c) }.grep(Class) }
    classes.flat_map do |k|
      own = (k.public_instance_methods(false) + k.private_instance_methods(false)).sort.map { |n| [k, n, false] }
      own + %i[new allocate].select { |n| k.respond_to?(n) }.map { |n| [k, n, true] }
    end + [[ORVAX, :disown_INativeToRuby, true]]
  end

  # The argument count each method checks first, from its arity error (none for overloads).
  def self.argument_counts(methods, receivers)
    methods.each_with_index.map do |(klass, name, singleton), i|
      receiver = eval(TEXTS[receivers[i].first || 0], TOPLEVEL_BINDING) # rubocop:disable Security/Eval
      (singleton ? klass.method(name) : klass.instance_method(name).bind(receiver)).call(*Array.new(20, 0))
      nil
    rescue Exception => e # rubocop:disable Lint/RescueException
      e.message[/\Awrong # of arguments\(20 for (\d+)\)/, 1]&.to_i
    end
  end

  def self.allowed?(error)
    return error.message.include?('abstract class') if error.instance_of?(NameError)
    [Fuzz::Planted, ArgumentError, TypeError, RangeError, IndexError, ZeroDivisionError, NoMemoryError, LocalJumpError,
     RuntimeError].any? { |klass| error.is_a?(klass) }
  end

  # Runs the lines (or those drawn for `batch`), each written to `log` before it runs.
  def self.child(mode, lines, batch, log, stress)
    engine = load_extension(mode)
    s = {} # the results of the calls, by their number
    steps = (lines ||= draw(mode, *batch)).map { |line| eval("lambda { #{line} }", binding, 'fuzz') } # rubocop:disable Security/Eval
    bad = ->(text) { log.syswrite("BAD #{text.tr("\n", ' ')}\n") && exit!(3) }
    GC.stress = stress
    lines.zip(steps).each do |line, step|
      log.syswrite("> #{line}\n")
      begin
        step.call
      rescue Exception => e # rubocop:disable Lint/RescueException
        bad.call("#{e.class}: #{e.message[0, 300]}") unless allowed?(e)
      end
      bad.call("$! left set: #{$!.class}") if $!
    end
    GC.stress = false
    log.syswrite("DONE\n")
  end

  Result = Struct.new(:kind, :lines, :text)

  # Runs lines (or draws those of a batch) in a forked child; nil when they passed, else a
  # Result with the lines run up to the failure.
  def self.run_child(mode, options, lines, batch = nil)
    log = Tempfile.new('fuzz')
    pid = fork do
      $stderr.reopen(log)
      $stdout.reopen(File::NULL, 'w') # the extension's console lines
      child(mode, lines, batch, log, options[:stress])
    end
    waiter = Process.detach(pid)
    Process.kill(:KILL, pid) && waiter.join unless (status = waiter.join(options[:timeout])&.value)
    text = File.read(log.path)
    log.close!
    run = text.scan(/^> (.*)$/).flatten
    return Result.new(:hang, run, 'no progress before the time limit') unless status
    return Result.new(:bad, run, Regexp.last_match(1)) if text =~ /^BAD (.*)$/
    errors = text.lines.grep_v(/\A> /).first(8).join
    # Passed, or ended by AddressSanitizer where an allocation too large to succeed would throw
    # std::bad_alloc natively: no finding, the batch just ends there.
    return nil if (status.success? && text =~ /^DONE$/) || errors =~ /allocator is out of memory|allocation-size-too-big/
    Result.new(:crash, run, "#{status.inspect}\n#{errors}")
  end

  # One batch: calls with random receivers and arguments, chained through the results of
  # earlier calls; collections, compactions and engine callbacks in between.
  def self.draw(mode, seed, count, first)
    random = Random.new(seed)
    methods = methods_of_extension
    owners = methods.map do |klass, _name, _singleton| # the values that make instances of the class
      key = RECEIVERS.fetch(klass.name.split('::').last) { |short| short }
      TEXTS.each_index.select { |i| TEXTS[i].include?(key) }
    end
    counts = argument_counts(methods, owners)
    callable = methods.each_index.reject { |i| (mode == 'bound' ? SKIP_BOUND : SKIP).include?(methods[i][1]) }
    Array.new(count) do |n|
      id = first + n
      value = -> { random.rand < 0.25 ? "s[#{id - 1 - random.rand(SLOTS - 1)}]" : TEXTS.sample(random: random) }
      r = random.rand
      next(GC.respond_to?(:compact) && random.rand < 0.5 ? 'GC.compact' : 'GC.start') if r < 0.02
      next 'engine.forget_calls' if mode == 'bound' && n % 500 == 499
      slot = 82 + random.rand(15)
      next "Fuzz.guard { engine.fire(#{slot}, *#{FIRE_ARGUMENTS.fetch(slot, []).inspect}) }" if mode == 'bound' && r < 0.05
      i = callable.sample(random: random)
      klass, name, singleton = methods[i]
      receiver = random.rand < 0.15 || owners[i].empty? ? value.call : TEXTS[owners[i].sample(random: random)]
      args = Array.new(counts[i] && random.rand < 0.7 ? counts[i] : random.rand(random.rand < 0.9 ? 4 : 15)) { value.call }
      call = singleton ? "#{klass}.#{name}" : "#{klass}.instance_method(:#{name}).bind(#{receiver}).call"
      "s.delete(#{id - SLOTS}); s[#{id}] = Fuzz.guard { #{call}(#{args.join(', ')}) }"
    end
  end

  # Removes chunks of lines, of halving size, while the same failure (a bad exception: of the same class) persists.
  def self.reduce(mode, failure, options)
    same = ->(r) { r && r.kind == failure.kind && (r.kind != :bad || r.text[/\A[^:]*/] == failure.text[/\A[^:]*/]) }
    chunk = failure.lines.size
    runs = 0
    until chunk <= 1 || runs >= 400
      chunk = (chunk + 1) / 2
      start = 0
      while start < failure.lines.size && (runs += 1) <= 400
        candidate = failure.lines.dup.tap { |lines| lines.slice!(start, chunk) }
        result = candidate.empty? ? nil : run_child(mode, options, candidate)
        same.call(result) ? failure = result : start += chunk
      end
    end
    failure
  end

  def self.main(argv)
    $stdout.sync = true
    o = { calls: 10_000, seed: 1, modes: %w[unbound bound] }
    options = [['--calls N', Integer], ['--seed N', Integer], ['--modes LIST', Array], ['--budget SECONDS', Float], ['--stress']]
    OptionParser.new { |p| options.each { |option| p.on(*option) } }.parse!(argv, into: o)
    o.update(o[:stress] ? { batch: 200, timeout: 600 } : { batch: 2000, timeout: 120 })
    started = Time.now
    done = batch = 0
    while done < o[:calls] && !(o[:budget] && Time.now - started > o[:budget])
      mode = o[:modes][batch % o[:modes].size]
      count = [o[:batch], o[:calls] - done].min
      failure = run_child(mode, o, nil, [o[:seed] * 1_000_003 + batch, count, done])
      report(mode, failure, o, "after #{done} calls, #{(Time.now - started).round(1)} s") if failure
      done += count
      batch += 1
    end
    printf("fuzz: %d calls (seed %d, modes %s%s) in %.1f s: nothing found\n",
           done, o[:seed], o[:modes].join('+'), o[:stress] ? ', GC.stress' : '', Time.now - started)
  end

  def self.report(mode, failure, options, progress)
    puts "fuzz: #{failure.kind} (#{failure.text}) in a #{mode} batch #{progress}; reducing"
    failure = reduce(mode, failure, options)
    puts "fuzz: smallest case (#{failure.lines.size} lines, #{failure.kind}: #{failure.text}), after require 'ORVAX'; " \
         "require_relative 'test/fuzz/pool'#{mode == 'bound' ? '; engine = the scripted engine, loaded' : ''}:"
    puts 's = {}', failure.lines[0...-1].map { |line| "#{line} rescue nil" }, failure.lines.last
    exit 1
  end
end

FuzzDriver.main(ARGV) if $PROGRAM_NAME == __FILE__
