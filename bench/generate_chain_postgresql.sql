-- The same chain as generate_chain_sqlite.sql, for a PostgreSQL head office.
BEGIN;
INSERT INTO bi_Bill (BillID, BillIDEx, ShiftID, BillDate, BranchID, BranchName, TableID,
                     TableName, Persons, OpenTime, CheckTime, CashierID, CashierName,
                     SumOfConsume, SumOfService, SumForDiscount, SumPaid, Remark, IsUploaded)
SELECT format('B%s-%s%s', lpad(i::text, 3, '0'), lpad(j::text, 3, '0'), lpad(k::text, 5, '0')),
       lpad(j::text, 3, '0') || lpad(k::text, 5, '0'), format('S%s%s', lpad(j::text, 3, '0'), k % 2),
       current_date - j, 'B' || lpad(i::text, 3, '0'), '分店' || i, 'T' || lpad((k % 40)::text, 2, '0'),
       (k % 40) || '号台', 1 + k % 8, current_date - j + time '12:00', current_date - j + time '12:45',
       'C' || lpad((k % 5)::text, 2, '0'), '收银员' || (k % 5), 88 + (k % 97) * 3.5,
       8.8 + (k % 97) * 0.35, (k % 7) * 1.5, 96.8 + (k % 97) * 3.85,
       CASE WHEN k % 13 = 0 THEN '少辣' END, 1
FROM generate_series(1, @branches) AS b(i), generate_series(0, 364) AS d(j),
     generate_series(1, @perday) AS n(k);

INSERT INTO tavex_MergeJournal (Receiver, Outcome, PackageName, SenderID, Kind, SignerID, Bytes,
                                Reason, Folders, RowCounts, MergedAt, Millis)
SELECT 'download', 'merged', format('B%s-%s.pkg', lpad(i::text, 3, '0'), j), 'B' || lpad(i::text, 3, '0'),
       'bills', 'B' || lpad(i::text, 3, '0'), 90000, '', '[]', '{"bi_Bill":' || @perday || '}',
       to_char(current_date - j + time '03:00', 'YYYY-MM-DD HH24:MI:SS'), 800
FROM generate_series(1, @branches) AS b(i), generate_series(0, 364) AS d(j)
UNION ALL
SELECT 'relay', 'routed', format('B%s-%s-M.pkg', lpad(i::text, 3, '0'), j), 'B' || lpad(i::text, 3, '0'),
       'members', 'B' || lpad(i::text, 3, '0'), 4000, '', '["HQ"]', '{}',
       to_char(current_date - j + time '02:00', 'YYYY-MM-DD HH24:MI:SS'), 50
FROM generate_series(1, @branches) AS b(i), generate_series(0, 364) AS d(j) WHERE j % 7 = 0;
COMMIT;
ANALYZE;
