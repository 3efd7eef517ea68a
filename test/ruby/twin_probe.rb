# A scenario of test_twin.rb (its prelude loaded ORVAX, Fiddle and JSON): loads ORVAXTWIN, prints as JSON what the two share.
$LOAD_PATH.unshift(TWIN_LIB)

facts = {}
support = -> { [SWIG, SWIG::Pointer, SWIG.instance_variable_get(:@__trackings__), $swig_runtime_data_type_pointer4, SWIG::TYPE_p_char].map(&:object_id) }
before = support.call
require 'ORVAXTWIN'
facts[:shared] = [before == support.call, SWIG.constants.grep(/\ATYPE/).size, SWIG::TYPE_p_MyNativeClass.superclass == SWIG::Pointer]

# The ring of type modules, read from memory (RData on x86-64: flags, klass, dmark, dfree,
# data); a module: types, size, next, initial types.
def word(address, offset = 0); Fiddle::Pointer.new(address + offset)[0, 8].unpack1('Q'); end
def text(address); address.zero? ? nil : Fiddle::Pointer.new(address).to_s; end
def table(address, size); Array.new(size) { |i| word(address, 8 * i) }; end

head = word(Fiddle.dlwrap($swig_runtime_data_type_pointer4), 32)
modules = [head]
modules << word(modules.last, 16) until modules.size > 10 || [head, 0].include?(word(modules.last, 16))
first, second = modules.map { |m| { size: word(m, 8), types: table(word(m, 0), word(m, 8) + 1), initial: table(word(m, 24), word(m, 8)) } }
facts[:ring] = [modules.size, first[:size], second[:size], first[:types].last, second[:types].last]
first_types, second_types = first[:types][0...-1], second[:types][0...-1]
facts[:same_descriptors] = first_types == second_types
facts[:twin_replaced] = second_types.zip(second[:initial]).count { |a, b| a != b }
facts[:names] = first_types.map { |d| text(word(d, 0)) }
facts[:readable] = first_types.map { |d| text(word(d, 8)) }
facts[:owns_class_record] = first_types.map { |d| Fiddle::Pointer.new(d + 40)[0, 4].unpack1('l') }.uniq

# Objects of one extension in the other's methods.
recording = lambda do |base|
  Class.new(base) { %i[RubyMessageBox updateView].each { |name| define_method(name) { |*args| (@calls ||= []) << [name, *args] } } }.new
end
first_callbacks = recording.call(ORVAX::INativeToRuby)
twin_facade = ORVAXTWIN::MyNativeClass.new(first_callbacks)
twin_facade.bkPopUpMessage('to first')
twin_facade.updateView
twin_callbacks = recording.call(ORVAXTWIN::INativeToRuby)
first_facade = ORVAX::MyNativeClass.new(twin_callbacks)
first_facade.bkPopUpMessage('to twin')
facts[:cross_calls] = [first_callbacks.instance_variable_get(:@calls), twin_callbacks.instance_variable_get(:@calls),
                       [first_facade.getNameVector, first_facade.setPointSize(3), ORVAX::MyNativeClass.new(first_callbacks).isAnyPointCloudLoaded]]
facts[:errors] = [-> { ORVAX::MyNativeClass.allocate.isAnyPointCloudLoaded },
                  -> { ORVAXTWIN::MyNativeClass.allocate.isAnyPointCloudLoaded },
                  -> { ORVAX::MyNativeClass.new(twin_facade) }, -> { ORVAXTWIN::MyNativeClass.new(first_facade) },
                  -> { ORVAXTWIN::INativeToRuby.new }].map do |call|
  call.call && nil
rescue Exception => e # rubocop:disable Lint/RescueException
  [e.class.name, e.respond_to?(:original_message) ? e.original_message : e.message]
end
puts JSON.generate(facts)
