// Never part of a build that succeeds: package code that reaches up to the view must not compile,
// because the package layer sees only its own headers and those of the layers below it.
#include "view/document_view.hpp"
