#include "data/transfer/customer_export.h"

#include "data/transfer/customer_csv.h"

ListingCursor::ListingCursor(CustomerTable& table, const RowSource& source, qint64 page)
    : table_(table), listing_(table.listing(source)), page_(page)
{
}

void ListingCursor::rewind()
{
    from_.reset();
    rows_.clear();
    at_ = 0;
    last_ = false;
}

bool ListingCursor::next(CustomerRow& row)
{
    if (at_ == rows_.size()) {
        if (last_)
            return false;
        rows_ = table_.rows(listing_, from_, false, page_, 0);
        at_ = 0;
        last_ = rows_.size() < page_;
        if (rows_.isEmpty())
            return false;
        from_ = rows_.back().key;
    }
    row = table_.customer(rows_[at_++].values);
    return true;
}

ExportResult export_customers(CustomerTable& table, const RowSource& source, QIODevice* out,
                              const std::function<bool(qint64 done)>& progress)
{
    constexpr qint64 kPage = 1000;
    ExportResult result;
    CustomerCsvWriter writer(out);
    ListingCursor rows(table, source, kPage);
    CustomerRow row;
    while (rows.next(row)) {
        if (!writer.write(row))
            break;  // flush() tells why
        ++result.rows;
        if (result.rows % kPage == 0 && progress && !progress(result.rows)) {
            result.outcome = ExportResult::Cancelled;
            return result;
        }
    }
    // Once more at the end, so that even a short list can be cancelled
    // until it is complete.
    if (progress && !progress(result.rows)) {
        result.outcome = ExportResult::Cancelled;
        return result;
    }
    if (!writer.flush()) {
        result.outcome = ExportResult::WriteFailed;
        result.error = writer.errorString();
    }
    return result;
}
