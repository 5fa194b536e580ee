#include "import/ImportError.h"

#include "store/DbError.h"

#include <exception>
#include <new>

ImportFailure currentImportFailure()
{
    try {
        throw;
    } catch (const DbError &e) {
        return {e.number(), e.description()};
    } catch (const std::bad_alloc &) {
        return {7, QStringLiteral("メモリが不足しています。")};
    } catch (const std::exception &e) {
        return {51, QStringLiteral("内部エラーです。 (%1)").arg(QString::fromLocal8Bit(e.what()))};
    }
}
