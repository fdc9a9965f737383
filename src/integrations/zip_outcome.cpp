#include "zip_outcome.h"

#include <zip.h>

namespace orvane {

ZipOutcome ZipOutcome::FromCode(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return Failure(code, text);
}

} // namespace orvane
