-- The baseline's marks, once the file is on the server: exactly the staged
-- rows, in one short write transaction.
BEGIN IMMEDIATE;
UPDATE bi_Bill SET IsUploaded=1 WHERE BillID IN (SELECT BillID FROM bi_BillID_Upload);
UPDATE bi_OctopusPayment SET IsUploaded=1
  WHERE rowid IN (SELECT LiveRowID FROM bi_OctopusPaymentID_Upload) AND IsUploaded=0;
COMMIT;
