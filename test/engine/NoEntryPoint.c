/* A library under the engine's file name that publishes no entry table: only names that
   resemble the table's. Binding to it must find nothing. */
#ifdef _WIN32
#define ENGINE_EXPORT __declspec(dllexport)
#else
#define ENGINE_EXPORT __attribute__((visibility("default")))
#endif

ENGINE_EXPORT void* myEntryPointX[97];
ENGINE_EXPORT void* MyEntryPoint[97];
ENGINE_EXPORT void* myEntryPoin[97];
