-- A head office's year of a chain for the overview: @branches branches
-- (B001, ...) with @perday bills each per business day over the 365 days
-- up to today, and the merge journal a year of nights leaves (a bills
-- package per branch and day, a member package every seventh day).
-- Only bi_Bill is filled: the overview reads no other bill table.
BEGIN;
WITH RECURSIVE b(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM b WHERE i < @branches),
               d(j) AS (SELECT 0 UNION ALL SELECT j + 1 FROM d WHERE j < 364),
               n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < @perday)
INSERT INTO bi_Bill (BillID, BillIDEx, ShiftID, BillDate, BranchID, BranchName, TableID,
                     TableName, Persons, OpenTime, CheckTime, CashierID, CashierName,
                     SumOfConsume, SumOfService, SumForDiscount, SumPaid, Remark, IsUploaded)
SELECT printf('B%03d-%03d%05d', i, j, k), printf('%03d%05d', j, k), printf('S%03d%d', j, k % 2),
       date('now', 'localtime', '-' || j || ' days') || ' 00:00:00', printf('B%03d', i),
       '分店' || i, printf('T%02d', k % 40), (k % 40) || '号台', 1 + k % 8,
       date('now', 'localtime', '-' || j || ' days') || ' 12:00:00',
       date('now', 'localtime', '-' || j || ' days') || ' 12:45:00',
       printf('C%02d', k % 5), '收银员' || (k % 5), 88 + (k % 97) * 3.5, 8.8 + (k % 97) * 0.35,
       (k % 7) * 1.5, 96.8 + (k % 97) * 3.85, CASE WHEN k % 13 = 0 THEN '少辣' END, 1
FROM b, d, n;

WITH RECURSIVE b(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM b WHERE i < @branches),
               d(j) AS (SELECT 0 UNION ALL SELECT j + 1 FROM d WHERE j < 364)
INSERT INTO tavex_MergeJournal (Receiver, Outcome, PackageName, SenderID, Kind, SignerID, Bytes,
                                Reason, Folders, RowCounts, MergedAt, Millis)
SELECT 'download', 'merged', printf('B%03d-%03d.pkg', i, j), printf('B%03d', i), 'bills',
       printf('B%03d', i), 90000, '', '[]', '{"bi_Bill":' || @perday || '}',
       date('now', 'localtime', '-' || j || ' days') || ' 03:00:00', 800
FROM b, d
UNION ALL
SELECT 'relay', 'routed', printf('B%03d-%03d-M.pkg', i, j), printf('B%03d', i), 'members',
       printf('B%03d', i), 4000, '', '["HQ"]', '{}',
       date('now', 'localtime', '-' || j || ' days') || ' 02:00:00', 50
FROM b, d WHERE j % 7 = 0;
COMMIT;
