# Loads ORVAX and then ORVAXTWIN into one interpreter and prints, as JSON, what the two
# share. Run by test_twin.rb in its own process: loading the twin changes process state.
require 'json'
require 'fiddle'

$LOAD_PATH.unshift(ENV.fetch('ORVAX_LIB'))
$LOAD_PATH.unshift(ENV.fetch('ORVAX_TWIN_LIB'))
require 'ORVAX'

facts = {}
support = lambda do
  [SWIG, SWIG::Pointer, SWIG.instance_variable_get(:@__trackings__),
   $swig_runtime_data_type_pointer4, SWIG::TYPE_p_char].map(&:object_id)
end
before = support.call
require 'ORVAXTWIN'
facts[:shared] = before == support.call
facts[:type_classes] = SWIG.constants.grep(/\ATYPE/).size
facts[:twin_pointer_superclass] = SWIG::TYPE_p_MyNativeClass.superclass == SWIG::Pointer

# The ring of type modules, read from memory. RData on x86-64: flags, klass, dmark,
# dfree, data.
def word(address, offset = 0)
  Fiddle::Pointer.new(address + offset)[0, 8].unpack1('Q')
end
def text(address)
  address.zero? ? nil : Fiddle::Pointer.new(address).to_s
end

head = word(Fiddle.dlwrap($swig_runtime_data_type_pointer4), 32)
modules = []
m = head
loop do
  modules << m
  m = word(m, 16)
  break if m == head || m.zero? || modules.size > 10
end
describe = lambda do |mod|
  types = word(mod, 0)
  size = word(mod, 8)
  initial = word(mod, 24)
  {
    size: size,
    types: Array.new(size) { |i| word(types, 8 * i) },
    terminator: word(types, 8 * size),
    initial: Array.new(size) { |i| word(initial, 8 * i) }
  }
end
described = modules.map(&describe)
facts[:ring_size] = modules.size
facts[:sizes] = described.map { |d| d[:size] }
if described.size == 2
  first, second = described
  facts[:same_descriptors] = first[:types] == second[:types]
  facts[:twin_replaced] = second[:types].zip(second[:initial]).count { |a, b| a != b }
  facts[:terminators] = described.map { |d| d[:terminator] }
  facts[:names] = first[:types].map { |d| text(word(d, 0)) }
  facts[:readable] = first[:types].map { |d| text(word(d, 8)) }
  facts[:twin_initial_names] = second[:initial].map { |d| text(word(d, 0)) }
  facts[:owns_class_record] = first[:types].map { |d| Fiddle::Pointer.new(d + 40)[0, 4].unpack1('l') }.uniq
end

# Objects of one extension in the other's methods.
module RecordedMessages
  attr_reader :calls
  def initialize
    super
    @calls = []
  end
  def RubyMessageBox(message)
    @calls << [:RubyMessageBox, message]
  end
end
class OrvaxCallbacks < ORVAX::INativeToRuby
  include RecordedMessages
  def updateView
    @calls << [:updateView]
  end
end
class TwinCallbacks < ORVAXTWIN::INativeToRuby
  include RecordedMessages
end
first_callbacks = OrvaxCallbacks.new
twin_facade = ORVAXTWIN::MyNativeClass.new(first_callbacks)
twin_facade.bkPopUpMessage('to first')
twin_facade.updateView
twin_callbacks = TwinCallbacks.new
first_facade = ORVAX::MyNativeClass.new(twin_callbacks)
first_facade.bkPopUpMessage('to twin')
facts[:cross_calls] = [first_callbacks.calls, twin_callbacks.calls]
facts[:first_still_works] = [first_facade.getNameVector, first_facade.setPointSize(3), ORVAX::MyNativeClass.new(first_callbacks).isAnyPointCloudLoaded]
errors = []
[-> { ORVAX::MyNativeClass.allocate.isAnyPointCloudLoaded },
 -> { ORVAXTWIN::MyNativeClass.allocate.isAnyPointCloudLoaded },
 -> { ORVAX::MyNativeClass.new(twin_facade) },
 -> { ORVAXTWIN::MyNativeClass.new(first_facade) },
 -> { ORVAXTWIN::INativeToRuby.new }].each do |call|
  call.call
  errors << nil
rescue Exception => e
  errors << [e.class.name, e.respond_to?(:original_message) ? e.original_message : e.message]
end
facts[:errors] = errors
print JSON.generate(facts)
