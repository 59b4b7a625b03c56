-- Fills the four bill tables of a sample host database with @bills bills:
-- 1 to 8 items each (4.5 on average), one or two payments, and a split line
-- for every fifth item. Values vary the way a restaurant's do: dates spread
-- over the year, a few hundred dishes, Chinese names.
BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < @bills)
INSERT INTO bi_Bill (BillID, BillIDEx, ShiftID, BillDate, BranchID, BranchName, TableID,
                     TableName, Persons, OpenTime, CheckTime, CashierID, CashierName,
                     SumOfConsume, SumOfService, SumForDiscount, SumPaid, Remark, IsUploaded)
SELECT printf('B01-%08d', i), printf('%08d', i), printf('S%06d', i / 300),
       datetime('2024-01-01', '+' || ((i / 400) % 365) || ' days'), 'B01', '旺角分店',
       printf('T%02d', i % 40), (i % 40) || '号台', 1 + i % 8,
       datetime('2024-01-01 11:00:00', '+' || ((i / 400) % 365) || ' days', '+' || (i % 600) || ' minutes'),
       datetime('2024-01-01 11:45:00', '+' || ((i / 400) % 365) || ' days', '+' || (i % 600) || ' minutes'),
       printf('C%02d', i % 5), '收银员' || (i % 5), 88 + (i % 97) * 3.5, 8.8 + (i % 97) * 0.35,
       (i % 7) * 1.5, 96.8 + (i % 97) * 3.85, CASE WHEN i % 13 = 0 THEN '少辣' END, 0
FROM n;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < @bills),
               k(j) AS (SELECT 1 UNION ALL SELECT j + 1 FROM k WHERE j < 8)
INSERT INTO bi_BillItem (BillItemID, BillID, MenuID, MenuName, MenuUnitID, MenuUnitName,
                         MenuTypeID, MenuTypeName, DepartTypeID, DepartTypeName, DepartID,
                         DepartName, Price, AmountOrder, AmountCancel, SumOfConsume,
                         SumOfService, SumForDiscount, OrderTime, Remark)
SELECT printf('B01-%08d-%02d', i, j), printf('B01-%08d', i), printf('M%04d', (i * 7 + j) % 400),
       '招牌菜式' || ((i * 7 + j) % 400), 'U1', '份', printf('MT%02d', j), '热菜' || j,
       'DT1', '厨房', printf('D%02d', j % 4), '热厨' || (j % 4), 18 + (i + j) % 60, 1 + j % 3,
       CASE WHEN (i + j) % 50 = 0 THEN 1 ELSE 0 END, (18 + (i + j) % 60) * (1 + j % 3),
       (18 + (i + j) % 60) * (1 + j % 3) * 0.1, 0,
       datetime('2024-01-01 11:05:00', '+' || ((i / 400) % 365) || ' days', '+' || (i % 600) || ' minutes'),
       CASE WHEN (i + j) % 17 = 0 THEN '走葱' END
FROM n, k WHERE j <= 1 + i % 8;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < @bills),
               k(j) AS (SELECT 1 UNION ALL SELECT 2)
INSERT INTO bi_BillPayment (BillPaymentID, BillID, SubjectID, SubjectName, ExchangeRate, PaySum,
                            SumPaid, PayTime, Remark)
SELECT printf('B01-%08d-P%d', i, j), printf('B01-%08d', i), CASE j WHEN 1 THEN 'CASH' ELSE 'OCT' END,
       CASE j WHEN 1 THEN '现金' ELSE '八达通' END, 1, 50 + (i % 97) * 1.9, 50 + (i % 97) * 1.9,
       datetime('2024-01-01 11:45:00', '+' || ((i / 400) % 365) || ' days', '+' || (i % 600) || ' minutes'),
       NULL
FROM n, k WHERE j = 1 OR i % 3 = 0;

INSERT INTO bi_SubBill (SubBillID, BillItemID, SubBillNo, Amount, SumOfConsume, Remark)
SELECT BillItemID || '-S', BillItemID, 1, AmountOrder, SumOfConsume, NULL
FROM bi_BillItem WHERE (CAST(substr(BillID, 5) AS INTEGER) + CAST(substr(BillItemID, 14) AS INTEGER)) % 5 = 0;
COMMIT;
