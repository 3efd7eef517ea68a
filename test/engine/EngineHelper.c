/* A library the dependent engine imports from. It lies only in the engine's own folder, so
   the engine loads only when the loader searches that folder for its dependencies. */
__declspec(dllexport) int orvax_helper_accepts(void) { return 1; }
