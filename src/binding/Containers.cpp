// Placeholder until the container classes land.
#include "binding/Classes.h"
namespace orvax {
void defineIterators(VALUE) {}
void defineClippingBox(VALUE) {}
void defineContainers(VALUE) {}
}  // namespace orvax
