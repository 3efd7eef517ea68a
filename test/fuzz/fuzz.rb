# Random calls of every method of every class of the extension, in forked children, in
# batches. A crash, a hang, an exception of a class no method may raise, or `$!` left set
# after a call is a failure: the batch is reduced to its smallest failing case, which is
# printed as Ruby code.
#
#   ruby test/fuzz/fuzz.rb --calls N --seed S [--modes unbound,bound] [--stress] [--budget SECONDS]
#
# unbound: the extension alone. bound: the copy staged beside the scripted engine, with the
# engine loaded and some slots firing callbacks. --stress runs the children under GC.stress.
require 'optparse'
require 'rbconfig'
require 'tempfile'
require_relative 'texts'

module FuzzDriver
  BUILD = ENV.fetch('ORVAX_BUILD_DIR') { File.expand_path('../../build', __dir__) }
  LIBS = { 'unbound' => ENV.fetch('ORVAX_LIB') { File.join(BUILD, 'lib') },
           'bound' => File.join(BUILD, 'stages', 'scripted', 'lib') }.freeze
  # Waiting by design: nativeSleep sleeps two seconds, openFileDialogMulti waits for the
  # user's choice, proto reads through the whole process memory.
  SLOW = %i[nativeSleep openFileDialogMulti proto].freeze
  # Would unload or replace the engine the harness drives.
  ENGINE_STATE = %i[FreeQPEDll LoadQPEDll TestLoadDll].freeze
  SLOTS = 16
  # Arguments of the callback slots the engine can fire.
  FIRE_ARGUMENTS = { 86 => ["m\u0000"], 87 => ['q'], 88 => [[1.5, -2], 's'], 89 => ['e57'], 90 => ['c', true],
                     91 => ['oops'], 96 => [[65, 0xD800, 0]] }.freeze
  OK = 0
  BAD = 3

  Options = Struct.new(:calls, :seed, :batch, :modes, :stress, :budget, :timeout)

  def self.options(argv)
    o = Options.new(10_000, 1, 2000, %w[unbound bound], false, nil, 120)
    OptionParser.new do |p|
      p.on('--calls N', Integer) { |v| o.calls = v }
      p.on('--seed S', Integer) { |v| o.seed = v }
      p.on('--batch B', Integer) { |v| o.batch = v }
      p.on('--modes LIST') { |v| o.modes = v.split(',') }
      p.on('--stress') { o.stress = true }
      p.on('--budget SECONDS', Float) { |v| o.budget = v }
      p.on('--timeout SECONDS', Integer) { |v| o.timeout = v }
    end.parse!(argv)
    if o.stress
      o.batch = [o.batch, 200].min
      o.timeout = [o.timeout, 600].max
    end
    o
  end

  # ---- in the child ----------------------------------------------------------------------

  def self.load_extension(mode)
    $LOAD_PATH.unshift(LIBS.fetch(mode))
    require 'ORVAX'
    require_relative 'pool'
    return unless mode == 'bound'

    require_relative '../ruby/engine_support/scripted_engine'
    boot = Fuzz.facade(:plain)
    raise 'the scripted engine did not load' unless boot.LoadQPEDll(false, 2400, 24, 1)

    engine = EngineSupport::ScriptedEngine.attach(File.join(BUILD, 'stages', 'scripted', 'BrikolanHook.dll'))
    [[6, 86, 'm'], [6, 87, 'q'], [7, 92], [7, 83], [40, 85], [71, 96, [65, 0]], [29, 84]].each do |slot, cb, *args|
      engine.script(slot, cb, *args)
    end
    engine
  end

  # The methods to call: [class, name, singleton?], in a fixed order.
  def self.methods_of_extension
    classes = [ORVAX, SWIG].flat_map do |m|
      m.constants.sort.map { |c| m.const_get(c) }.select { |k| k.is_a?(Class) }
    end
    list = classes.flat_map do |k|
      own = (k.public_instance_methods(false) + k.private_instance_methods(false)).sort
      own.map { |name| [k, name, false] } + %i[new allocate].select { |n| k.respond_to?(n) }.map { |n| [k, n, true] }
    end
    list + [[ORVAX, :disown_INativeToRuby, true]]
  end

  # The argument count each method checks first, learnt from its arity error (nil for
  # overloaded methods, which name no count).
  def self.argument_counts(methods)
    receivers = receiver_candidates(methods)
    methods.each_with_index.map do |(klass, name, singleton), i|
      begin
        receiver = singleton ? klass : Fuzz.makers[receivers[i].first || 0].call
        target = singleton ? klass.method(name) : klass.instance_method(name).bind(receiver)
        target.call(*Array.new(20, 0))
        nil
      rescue ArgumentError => e
        e.message[/\Awrong # of arguments\(20 for (\d+)\)/, 1]&.to_i
      rescue Exception # rubocop:disable Lint/RescueException
        nil
      end
    end
  end

  def self.allowed?(error)
    case error
    when Fuzz::Planted, ArgumentError, TypeError, RangeError, IndexError, ZeroDivisionError, NoMemoryError,
         LocalJumpError, StopIteration, FrozenError
      true
    when NoMethodError
      false # our methods never call a method the value may lack
    when NameError
      error.message.include?('abstract class')
    when RuntimeError
      true
    else
      false
    end
  end

  class Child
    def initialize(mode, steps, methods, progress)
      @mode = mode
      @steps = steps
      @methods = methods
      @progress = progress
      @slots = {}
      @unbound = {}
      @returned = 0
    end
    attr_reader :returned

    def value(spec, id)
      kind, arg = spec
      kind == :slot ? @slots[id - arg] : Fuzz.makers[arg].call
    end

    def method_for(klass, name, singleton)
      return klass.method(name) if singleton

      @unbound[[klass, name]] ||= klass.instance_method(name)
    end

    def run(engine)
      @steps.each_with_index do |(id, kind, *rest), index|
        @progress.syswrite("#{index}\n")
        case kind
        when :gc
          rest[0] == :compact && GC.respond_to?(:compact) ? GC.compact : GC.start
        when :fire
          invoke(index) { engine&.fire(rest[0], *rest[1]) }
        when :forget
          engine&.forget_calls
        when :call
          klass, name, singleton = @methods[rest[0]]
          @slots[id] = invoke(index) do
            receiver = singleton ? klass : value(rest[1], id)
            call(klass, name, singleton, receiver, rest[2].map { |spec| value(spec, id) })
          end
          @slots.delete(id - SLOTS)
        end
        check_error_info(index)
      end
    end

    def call(klass, name, singleton, receiver, args)
      method = method_for(klass, name, singleton)
      singleton ? method.call(*args) : method.bind(receiver).call(*args)
    end

    def invoke(index, &body)
      result = catch(:fuzz_throw) { with_exit(body) { break nil } }
      @returned += 1
      result
    rescue Exception => e # rubocop:disable Lint/RescueException
      unless FuzzDriver.allowed?(e) || (e.is_a?(TypeError) && e.message.start_with?('bind argument'))
        fail_with(index, "#{e.class}: #{e.message[0, 300]}")
      end
      nil
    end

    def with_exit(body, &exit_block)
      Fuzz.exit_block = exit_block
      body.call
    ensure
      Fuzz.exit_block = nil
    end

    def check_error_info(index)
      fail_with(index, "$! left set: #{$!.class}") unless $!.nil?
    end

    def fail_with(index, text)
      @progress.syswrite("BAD #{index} #{text.gsub("\n", ' ')}\n")
      exit!(BAD)
    end
  end

  # ---- in the parent ---------------------------------------------------------------------

  Result = Struct.new(:kind, :index, :text) do
    def same?(other)
      other && kind == other.kind && (kind != :bad || label == other.label)
    end

    def label
      text.split(/[:\n]/).first
    end
  end

  # Runs `steps` in a forked child; nil when it passed, else a Result.
  def self.run_child(mode, steps, methods_count, options)
    reader, writer = IO.pipe
    err = Tempfile.new('fuzz-child')
    pid = fork do
      reader.close
      $stderr.reopen(err)
      $stdout.reopen(File::NULL, 'w') # console lines of the extension
      engine = load_extension(mode)
      methods = methods_of_extension
      abort "method list changed (#{methods.size} for #{methods_count})" if methods.size != methods_count
      GC.stress = true if options.stress
      child = Child.new(mode, steps, methods, writer)
      child.run(engine)
      GC.stress = false
      writer.syswrite("RETURNED #{child.returned}\nDONE\n")
      exit(OK)
    end
    writer.close
    lines = []
    deadline = Time.now + options.timeout
    ended = false
    until ended || Time.now > deadline
      next unless IO.select([reader], nil, nil, 0.5)

      begin
        lines.concat(reader.read_nonblock(65_536).split("\n"))
      rescue EOFError
        ended = true
      end
    end
    unless ended
      Process.kill(:KILL, pid)
      Process.waitpid(pid)
      reader.close
      err.close!
      return Result.new(:hang, last_index(lines), 'no progress before the time limit')
    end
    # The pipe closes as the child exits.
    _, status = Process.waitpid2(pid)
    reader.close
    err.rewind
    errors = err.read.lines.first(8).join
    err.close!
    bad = lines.find { |l| l.start_with?('BAD ') }
    return Result.new(:bad, bad.split[1].to_i, bad.split(' ', 3)[2]) if bad
    if status.success? && lines.last == 'DONE'
      @returned = (@returned || 0) + lines[-2].split.last.to_i
      return nil
    end

    # AddressSanitizer ends the process where an allocation too large to succeed would
    # throw std::bad_alloc natively: no finding, the batch just ends there.
    return Result.new(:cut, last_index(lines), errors) if errors.include?('AddressSanitizer: allocator is out of memory') ||
                                                          errors.include?('allocation-size-too-big')

    Result.new(:crash, last_index(lines), "#{status.inspect}\n#{errors}")
  end

  def self.last_index(lines)
    numbers = lines.select { |l| l =~ /\A\d+\z/ }
    numbers.empty? ? 0 : numbers.last.to_i
  end

  # Steps of one batch: calls with random receivers and arguments, chains through the
  # results of earlier calls, collections and compactions in between.
  def self.steps(random, count, methods, counts, mode, first_id)
    pool = FuzzTexts::TEXTS.size
    candidates = receiver_candidates(methods)
    Array.new(count) do |n|
      id = first_id + n
      r = random.rand
      if r < 0.02
        [id, :gc, random.rand < 0.5 ? :start : :compact]
      elsif mode == 'bound' && r < 0.05
        slot = 82 + random.rand(15)
        [id, :fire, slot, FIRE_ARGUMENTS.fetch(slot, [])]
      elsif mode == 'bound' && n % 500 == 499
        [id, :forget]
      else
        index = random.rand(methods.size)
        arg = lambda do
          random.rand < 0.25 ? [:slot, 1 + random.rand(SLOTS - 1)] : [:pool, random.rand(pool)]
        end
        own = candidates[index]
        receiver = if random.rand < 0.15 || own.empty?
                     arg.call
                   else
                     [:pool, own.sample(random: random)]
                   end
        argc = if counts[index] && random.rand < 0.7
                 counts[index]
               else
                 random.rand < 0.9 ? random.rand(4) : random.rand(15)
               end
        [id, :call, index, receiver, Array.new(argc) { arg.call }]
      end
    end
  end

  # Pool entries that make instances of each method's class.
  def self.receiver_candidates(methods)
    methods.map do |klass, _name, _singleton|
      short = klass.name.split('::').last
      key = { 'MyNativeClass' => 'Fuzz.facade', 'INativeToRuby' => 'Fuzz.callbacks',
              'Iterator' => 'begin', 'ConstIterator' => 'iterator' }.fetch(short, short)
      FuzzTexts::TEXTS.each_index.select { |i| FuzzTexts::TEXTS[i].include?(key) }
    end
  end

  # Removes steps while the same failure persists (chunks of halving size).
  def self.reduce(mode, steps, failure, methods_count, options)
    steps = steps.take(failure.index + 1)
    runs = 0
    chunk = [steps.size / 2, 1].max
    while chunk >= 1 && runs < 400
      start = 0
      while start < steps.size && runs < 400
        candidate = steps[0...start] + steps[(start + chunk)..-1].to_a
        runs += 1
        result = candidate.empty? ? nil : run_child(mode, candidate, methods_count, options)
        if failure.same?(result)
          steps = candidate
          failure = result
        else
          start += chunk
        end
      end
      break if chunk == 1

      chunk /= 2
    end
    [steps, failure]
  end

  def self.text(spec, methods)
    kind, arg = spec
    kind == :slot ? "s[id - #{arg}]" : FuzzTexts::TEXTS[arg]
  end

  def self.code(steps, methods)
    lines = steps.map do |id, kind, *rest|
      case kind
      when :gc then rest[0] == :compact ? 'GC.compact' : 'GC.start'
      when :fire then "engine.fire(#{rest[0]}, *#{rest[1].inspect})"
      when :forget then 'engine.forget_calls'
      else
        klass, name, singleton = methods[rest[0]]
        args = rest[2].map { |spec| text(spec, methods) }.join(', ')
        call = if singleton
                 "#{klass.name}.#{name}(#{args})"
               else
                 "#{klass.name}.instance_method(:#{name}).bind(#{text(rest[1], methods)}).call(#{args})"
               end
        "id = #{id}; s[id] = catch(:fuzz_throw) { #{call} }"
      end
    end
    ['s = {}', *lines].join("\n")
  end

  def self.main(argv)
    $stdout.sync = true
    unless Process.respond_to?(:fork)
      puts 'fuzz: skipped: the fuzzer runs its calls in forked children, which needs Linux'
      exit 77
    end
    options = options(argv)
    # The parent never loads the extension: it learns the method list from a child.
    reader, writer = IO.pipe
    pid = fork do
      reader.close
      load_extension('unbound')
      list = methods_of_extension
      writer.write(Marshal.dump([list.map { |k, n, s| [k.name, n, s] }, argument_counts(list)]))
      exit!(0)
    end
    writer.close
    names, counts = Marshal.load(reader.read)
    Process.wait(pid)
    $LOAD_PATH.unshift(LIBS.fetch('unbound'))
    methods = names.map { |k, n, s| [Struct.new(:name).new(k), n, s] }
    excluded = ->(mode, (_k, n, _s)) { SLOW.include?(n) || (mode == 'bound' && ENGINE_STATE.include?(n)) }
    random = Random.new(options.seed)
    started = Time.now
    done = 0
    batch = 0
    cut = 0
    while done < options.calls
      break if options.budget && Time.now - started > options.budget

      mode = options.modes[batch % options.modes.size]
      count = [options.batch, options.calls - done].min
      allowed = methods.each_index.reject { |i| excluded.call(mode, methods[i]) }
      steps = steps(random, count, allowed.map { |i| methods[i] }, allowed.map { |i| counts[i] }, mode, done)
                .map { |s| s[1] == :call ? [s[0], :call, allowed[s[2]], *s[3..-1]] : s }
      failure = run_child(mode, steps, methods.size, options)
      cut += 1 if failure&.kind == :cut
      failure = nil if failure&.kind == :cut
      if failure
        report(mode, steps, failure, methods, options, done, Time.now - started)
        exit 1
      end
      done += count
      batch += 1
      $stderr.puts format('fuzz: %d calls, %.0f s', done, Time.now - started) if (batch % 10).zero?
    end
    cut_note = cut.zero? ? '' : "; #{cut} batches ended early by the sanitizer's out-of-memory stop"
    printf("fuzz: %d calls (seed %d, modes %s%s; %d returned, the others raised%s) in %.1f s: nothing found\n",
           done, options.seed, options.modes.join('+'), options.stress ? ', GC.stress' : '', @returned.to_i,
           cut_note, Time.now - started)
  end

  def self.report(mode, steps, failure, methods, options, done, elapsed)
    puts "fuzz: #{failure.kind} (#{failure.text}) in a #{mode} batch after #{done} calls, #{elapsed.round(1)} s; reducing"
    reduced, last = reduce(mode, steps, failure, methods.size, options)
    puts "fuzz: smallest case (#{reduced.size} steps, #{last.kind}: #{last.text}), after " \
         "require 'ORVAX'; require_relative 'test/fuzz/pool'#{mode == 'bound' ? ' with the scripted engine loaded' : ''}:"
    puts code(reduced, methods)
  end
end

FuzzDriver.main(ARGV) if $PROGRAM_NAME == __FILE__
