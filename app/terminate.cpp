// The C++ library's default terminate handler prints the type of an
// uncaught exception, and with it links in a demangler of its own. Ours
// only ends the process, as the handler does anyway after printing; the
// program throws no exceptions of its own.
#include <cstdlib>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
} // namespace __gnu_cxx
#endif
