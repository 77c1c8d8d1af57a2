#include "main.h"
#include "runtime/application.h"
#include "version.h"

#include <random>

int main(int argc, char* argv[]) {
    return runtime::run(
        argc, argv,
        {QStringLiteral("Лемзор"), QStringLiteral(LEMZOR_VERSION), QStringLiteral(LEMZOR_APP_ID)},
        [] { return std::make_unique<Main>(std::random_device{}()); });
}
