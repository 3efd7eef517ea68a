# What the fuzzer calls methods with: values that each come with the Ruby text that makes
# them (texts.rb), so that a reduced failing case prints as code. Loaded in the children
# only, after the extension.
require_relative 'texts'

module Fuzz
  # Raised on purpose by the pool's objects; never a finding.
  class Planted < StandardError; end

  # Objects whose conversion methods raise or answer the wrong thing.
  class Liar
    def initialize(kind)
      @kind = kind
    end

    %i[to_int to_str to_ary to_a to_f to_i to_s to_sym to_hash coerce hash <=> ==].each do |name|
      define_method(name) do |*|
        case @kind
        when :raise then raise Planted, name.to_s
        when :wrong then name == :hash ? 1 : Object.new
        else nil
        end
      end
    end

    def respond_to?(*)
      true
    end

    def inspect
      raise Planted, 'inspect' if @kind == :raise

      '#<Liar>'
    end
  end

  # Callback objects whose operations misbehave in one chosen way.
  class Callbacks < ORVAX::INativeToRuby
    OPERATIONS = %i[RubyMessageBox RubyAddScene RubyYesNoBox getModelMatrix updateView forceUpdateView
                    updateHtml point_cloud_loaded callAnalytics_pointCloudLoaded callAnalytics_Initialization
                    callAnalytics_errorMessageEngagement callAnalytics_closeApplication getSectionPlanes
                    initializeSettings createClippingBox removeClippingBox updateSceneObserver].freeze
    attr_accessor :facade

    def initialize(behaviour)
      super()
      @behaviour = behaviour
      @depth = 0
    end

    OPERATIONS.each do |name|
      define_method(name) { |*_args| behave(name) }
    end

    def behave(name)
      case @behaviour
      when :raise then raise Planted, name.to_s
      when :throw then throw :fuzz_throw
      when :break then Fuzz.exit_block ? Fuzz.exit_block.call : nil
      when :wrong then Object.new
      when :gc then GC.start
      when :reenter then reenter
      else name == :getSectionPlanes ? [1.5] : 1
      end
    end

    # Calls back into a facade, a few levels deep at most.
    def reenter
      return nil if @depth > 2 || facade.nil?

      @depth += 1
      begin
        facade.getPointSize
        facade.bkPopUpMessage('again')
      ensure
        @depth -= 1
      end
    end
  end

  class << self
    attr_accessor :exit_block
  end

  def self.callbacks(behaviour)
    Callbacks.new(behaviour)
  end

  def self.facade(behaviour)
    callbacks = Callbacks.new(behaviour)
    facade = ORVAX::MyNativeClass.new(callbacks)
    callbacks.facade = facade
    facade
  end

  def self.self_array
    a = [1]
    a << a
  end

  def self.retagged(object, tag)
    object.instance_variable_set(:@__swigtype__, tag)
    object
  end

  # An iterator whose container was emptied after it was made.
  def self.stale_iterator(container)
    iterator = container.begin
    container.clear
    iterator
  end

  # An iterator whose container nothing else refers to.
  def self.orphan_iterator
    ORVAX::IntVector.new([1, 2, 3]).end
  end

  def self.box(sum)
    ORVAX::ClippingBox.new.tap { |b| b.mSumBBMinnMax = sum }
  end

  def self.makers
    @makers ||= FuzzTexts::TEXTS.map { |text| eval("lambda { #{text} }", TOPLEVEL_BINDING, "pool: #{text}") } # rubocop:disable Security/Eval
  end
end
