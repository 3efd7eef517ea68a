# The objects behind the fuzzer's values that take more than a literal. Loaded after the
# extension, by the fuzzer's children and by the cases it prints.
module Fuzz
  # Raised on purpose by these objects; never a finding.
  class Planted < StandardError; end

  # Conversions that raise (:raise), answer an object of the wrong type (:wrong) or nil.
  class Liar
    def initialize(kind)
      @kind = kind
    end
    %i[to_int to_str to_ary to_a to_f to_i to_s to_sym to_hash coerce hash <=> == inspect].each do |name|
      define_method(name) do |*|
        raise Planted, name.to_s if @kind == :raise
        return '#<Liar>' if name == :inspect
        return 1 if name == :hash && @kind == :wrong
        @kind == :wrong ? Object.new : nil
      end
    end
    define_method(:respond_to?) { |*| true }
  end
  # Callback objects whose every operation misbehaves in one chosen way (:reenter: calls into their facade).
  class Callbacks < ORVAX::INativeToRuby
    attr_accessor :facade
    def initialize(behaviour)
      super()
      @behaviour = behaviour
    end

    ORVAX::INativeToRuby.public_instance_methods(false).each do |name|
      define_method(name) do |*|
        case @behaviour
        when :raise then raise Planted, name.to_s
        when :throw then throw :fuzz_throw
        when :break then ESCAPES.last&.call
        when :wrong then Object.new
        when :gc then GC.start
        when :reenter then reenter
        else name == :getSectionPlanes ? [1.5] : 1
        end
      end
    end
    def reenter
      @depth = @depth.to_i + 1
      [facade.getPointSize, facade.bkPopUpMessage('again')] if @depth < 4 && facade
    ensure
      @depth -= 1
    end
  end

  # The exits of the guards running, innermost last: callbacks that :break leave the guarded
  # block by a break through the extension.
  ESCAPES = []
  def self.guard(&body)
    catch(:fuzz_throw) { escaping(body) { break } }
  end
  def self.escaping(body, &escape)
    ESCAPES.push(escape)
    body.call
  ensure
    ESCAPES.pop
  end
  def self.facade(behaviour)
    callbacks = Callbacks.new(behaviour)
    callbacks.facade = ORVAX::MyNativeClass.new(callbacks)
  end
end
